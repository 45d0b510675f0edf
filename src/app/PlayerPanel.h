#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "player/RandomBag.h"

class ChatScanner;
class Library;
class MediaPlayer;
struct MainWindowUi;

// The main window's playback: starting library entries, the "Playing:" and "Duration:" labels
// that follow the player, the one-shot now-playing announcement (Timer1) and auto random
// (tmrRandom). With "No Repeats" on, random draws leave out what has played since the bag was last
// refilled.
class PlayerPanel : public QObject {
    Q_OBJECT
public:
    PlayerPanel(MainWindowUi &ui, MediaPlayer &player, Library &library, ChatScanner &chat,
                std::function<bool()> noRepeats, QObject *parent = nullptr);

    // Plays the first entry whose folded display line contains the folded text.
    void playFile(const QString &file);
    // Starts an entry by row, leaving the lstFiles selection alone.
    void startEntry(int row);
    // The row last started (what txtNum shows, less one), or -1 before the first start.
    int currentEntry() const { return m_entry; }
    // The rows a random draw may take: all of `rows`, or with "No Repeats" on those not played
    // since the bag was last refilled.
    QList<int> drawable(const QList<int> &rows);
    // After a rescan every file may play again.
    void refillBag() { m_bag.refill(); }

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
    std::function<bool()> m_noRepeats;
    RandomBag m_bag;
};
