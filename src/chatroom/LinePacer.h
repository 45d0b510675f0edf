#pragma once

#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

// Decides which lines of the room reach the transcript the player reads, and when. The player
// looks only at the transcript's last line, twice a second, so a line followed too soon by
// another would never be seen: lines go in at most one per hold, the others wait in order. On a
// network with a known owner only the owner's lines and the room's own reach the transcript, so
// another member can neither hide a command nor be taken for the user; the rest is only shown.
// Every network link and the local room offer their lines here, so the rule exists once.
class LinePacer : public QObject {
    Q_OBJECT
public:
    // The player polls every 500 ms; 100 ms more covers a poll that runs late on a busy machine.
    static constexpr std::chrono::milliseconds hold{600};
    // 64 lines are 38 s of holds: longer than any user waits for an answer.
    static constexpr qsizetype bound = 64;

    enum class Origin {
        Own,     // the room's own user: the player's lines, or typed in the room's box
        Owner,   // the verified owner on a network
        Other,   // anyone else
        Private, // a message to the room alone on a network: never a command
    };
    // A monotonic clock; the steady clock unless replaced.
    using Clock = std::function<std::chrono::milliseconds()>;

    explicit LinePacer(QObject *parent = nullptr);

    void setClock(Clock clock);
    // True: only the owner's and the room's own lines are passed on.
    void setOwnerOnly(bool ownerOnly);
    bool ownerOnly() const { return m_ownerOnly; }

    // Takes one line: it goes in now or after the lines that wait. False when it must be passed
    // on and the queue is full: refused (see refused), never dropped unseen.
    bool offer(const QString &line, Origin origin);
    // The transcript was replaced: what waits goes in after it, a hold after it.
    void transcriptReplaced();
    qsizetype waiting() const { return m_queue.size(); }
    // Lets in what is due by the clock; the pacer's own timer calls this.
    void releaseDue();

signals:
    // The line goes into the transcript now.
    void passedOn(const QString &line);
    // The line is shown but does not go into the transcript.
    void notPassedOn(const QString &line);
    // A line of the user's or the owner's could not wait: why, in a sentence.
    void refused(const QString &reason);
    // Lines of others are being dropped from the transcript; said once per burst.
    void overflowing(const QString &notice);

private:
    struct Waiting {
        QString line;
        bool passOn;
    };
    bool passesOn(Origin origin) const;
    void scheduleRelease();

    Clock m_clock;
    QTimer m_timer;
    QQueue<Waiting> m_queue;
    std::chrono::milliseconds m_lastIn{};
    bool m_anyIn = false;
    bool m_ownerOnly = false;
    bool m_overflowing = false;
};
