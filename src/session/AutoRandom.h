#pragma once

#include "player/RandomBag.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>

class Library;
class MediaPlayer;

// Auto random (tmrRandom, every second): while it is on and the player is idle, a random entry
// starts. With "No Repeats" on, random draws leave out what has played since the bag was last
// refilled.
class AutoRandom : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 1000;

    // `playFile` plays the first entry whose display line contains a text; `noRepeats` reads the
    // option as it stands.
    AutoRandom(MediaPlayer &player, const Library &library,
               std::function<void(const QString &)> playFile, std::function<bool()> noRepeats,
               QObject *parent = nullptr);

    bool isOn() const { return m_on; }
    void setOn(bool on);
    QTimer *tmrRandom() { return &m_timer; }

    // The rows a random draw may take: all of `rows`, or with "No Repeats" on those not played
    // since the bag was last refilled.
    QList<int> drawable(const QList<int> &rows);
    // The file of an entry that just started has had its turn.
    void played(const QString &path) { m_bag.played(path); }
    // After a rescan every file may play again.
    void refill() { m_bag.refill(); }
    // tmrRandom's tick.
    void tick();

signals:
    void switched(bool on);

private:
    MediaPlayer &m_player;
    const Library &m_library;
    std::function<void(const QString &)> m_playFile;
    std::function<bool()> m_noRepeats;
    QTimer m_timer;
    RandomBag m_bag;
    bool m_on = false;
};
