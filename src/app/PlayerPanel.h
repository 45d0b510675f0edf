#pragma once

#include <QObject>
#include <QString>
#include <optional>

class ChatScanner;
class Library;
class MediaPlayer;
struct MainWindowUi;

// The main window's playback: starting library entries, the "Playing:" and "Duration:" labels
// that follow the player, the one-shot now-playing announcement (Timer1) and auto random
// (tmrRandom).
class PlayerPanel : public QObject {
    Q_OBJECT
public:
    PlayerPanel(MainWindowUi &ui, MediaPlayer &player, Library &library, ChatScanner &chat,
                QObject *parent = nullptr);

    // Plays the first entry whose folded display line contains the folded text.
    void playFile(const QString &file);
    // Starts an entry by row, leaving the lstFiles selection alone.
    void startEntry(int row);
    // The row last started (what txtNum shows, less one), or -1 before the first start.
    int currentEntry() const { return m_entry; }

    void wmp_StatusChange();
    void Timer1_Timer();
    void tmrRandom_Timer();
    // The now-playing line for the current item, or nothing when a value cannot be obtained.
    std::optional<QString> composeAnnouncement() const;

private:
    MainWindowUi &ui;
    MediaPlayer &m_player;
    Library &m_library;
    ChatScanner &m_chat;
    int m_entry = -1;
};
