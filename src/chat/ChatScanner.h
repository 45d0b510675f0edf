#pragma once

#include <QObject>
#include <QString>
#include <functional>

class ChatWindow;
class QTimer;

// chat1: polls the chat transcript every 500 ms and reports each new last line as
// aimchatscan(speaker, text, "{" + time stamp + "}"). It is also the one way the program says
// anything in the chat (SendChat), gated by the "Chat Sends" box.
//
// Lives on the user-interface thread: the poll, the signal and every handler connected to it run
// synchronously inside one timer tick, so ticks never overlap.
class ChatScanner : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 500;

    // `chatSends` is asked at every SendChat whether "Chat Sends" is checked; an empty function
    // counts as unchecked. `window` must outlive the scanner.
    ChatScanner(ChatWindow &window, std::function<bool()> chatSends, QObject *parent = nullptr);
    ~ChatScanner() override;

    // Starts polling and takes the current tail as the baseline: lines already in the chat are
    // not reported. Again while scanning just takes a new baseline.
    void scan_on();
    // Stops polling; the remembered lines stay as they are.
    void scan_off();
    // Types `Text` into the chat and sends it, only while "Chat Sends" is checked.
    void SendChat(const QString &Text);

    // The tail captured by the latest scan_on.
    const QString &fyrsttalk() const { return m_fyrsttalk; }
    // The last line cut on the latest poll that saw a changed tail.
    const QString &newlastlyne() const { return m_newlastlyne; }
    // The last line reported.
    const QString &oldlastlyne() const { return m_oldlastlyne; }
    QTimer *chat_tymer() const { return m_chat_tymer; }

signals:
    // One new last line of the chat. By reference, so it must only be connected directly: the
    // handler runs inside the tick and may change the strings in place.
    void aimchatscan(QString &whosaid, QString &whatsaid, QString &datesaid);

public slots:
    // One poll of the transcript; chat_tymer calls it, tests may call it directly.
    void tick();

private:
    ChatWindow &m_window;
    std::function<bool()> m_chatSends;
    QString m_fyrsttalk;
    QString m_newlastlyne;
    QString m_oldlastlyne;
    QTimer *m_chat_tymer;
};
