#pragma once

#include <QWidget>

class ChatRoom;
class QLabel;
class QLineEdit;
class QPushButton;
class TranscriptView;

// The chat room on screen: the latest lines of the transcript rendered as HTML, the local user's
// input box, Send button and screen name, a "Say as" row that adds a line as another member, a
// notice that tells why a line was refused, and a status line. Everything typed here is plain
// text; the room escapes it.
class ChatRoomWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChatRoomWindow(ChatRoom *room, QWidget *parent = nullptr);

    void setStatus(const QString &text);
    // For a room that is the local face of a network chat: a second status line for the
    // network connection, a screen name that the network decides, and no "Say as" row, whose
    // lines would exist nowhere but here.
    void showNetwork(const QString &status);
    void setNetworkStatus(const QString &text);
    // Something about the network that holds for the whole session, such as a group chat that
    // hides who its members are.
    void showNetworkWarning(const QString &text);
    // A third status line, for the voice a room plays into its network's channel.
    void setVoiceStatus(const QString &text);

private:
    void showTranscript();
    void showInput(const QString &text);
    void sendInput();
    void sayAs();

    ChatRoom *m_room;
    TranscriptView *m_transcriptView;
    QLineEdit *m_userNameEdit;
    QLineEdit *m_inputEdit;
    QPushButton *m_sendButton;
    QLineEdit *m_sayAsNameEdit;
    QLineEdit *m_sayAsTextEdit;
    QPushButton *m_sayAsButton;
    QLabel *m_noticeLabel;
    QLabel *m_statusLabel;
    QLabel *m_networkStatusLabel;
    QLabel *m_voiceStatusLabel;
};
