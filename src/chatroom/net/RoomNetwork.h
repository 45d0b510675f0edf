#pragma once

#include "chatroom/net/SendQueue.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>

// What the room needs of a network's group chat (an IRC channel, an XMPP multi-user chat): its
// members' messages, each with how far its sender is known, and a way to speak there. The parts
// every network shares live here: the paced, bounded queue that holds the room's lines while it
// is out of the group chat, and the delay before the next attempt to get back in, which starts
// at a second and doubles up to a minute.
class RoomNetwork : public QObject {
    Q_OBJECT
public:
    // Who said a message. An impostor uses the owner's name without being the owner.
    enum class Sender { Own, Owner, Impostor, Other };
    Q_ENUM(Sender)

    static constexpr std::chrono::seconds firstRetry{1};
    static constexpr std::chrono::seconds lastRetry{60};

    RoomNetwork(SendQueue::Pacing pacing, qsizetype queueBound, QObject *parent = nullptr);

    virtual void start() = 0;
    // The room's own name in the group chat.
    virtual QString nick() const = 0;
    // The group chat, as its members would name it ("#music", "music@rooms.example.org").
    virtual QString place() const = 0;
    // One line for the room's window.
    virtual QString stateText() const = 0;
    // True when the network can tell the owner's messages from everyone else's.
    virtual bool checksOwner() const = 0;

    // Says each of `lines` (plain text, with IRC's bold and underline codes at most) in the group
    // chat. False, and nothing queued, when the queue has no room for all of them.
    bool say(const QStringList &lines);
    qsizetype pending() const { return m_queue.pending(); }
    qsizetype queueBound() const { return m_queue.bound(); }

signals:
    void nickChanged(const QString &nick);
    void stateTextChanged(const QString &text);
    // A message in the group chat, as plain text. An action ("/me") comes without the "/me".
    void messageArrived(const QString &nick, const QString &text, bool action,
                        RoomNetwork::Sender sender);
    // Something the user must know once, such as a room that hides who its members are.
    void warning(const QString &text);

protected:
    // The network's messages that carry one line.
    virtual QList<QByteArray> encode(const QString &line) const = 0;
    // Sends one of them now: the pacing allows it.
    virtual void write(const QByteArray &message) = 0;

    // Lines go out while the room is in the group chat, and wait otherwise.
    void setQueueOpen(bool open) { m_queue.setOpen(open); }
    // Out of the group chat: closes the queue and starts `attempt` after the next delay (the one
    // after it doubled), which it returns.
    std::chrono::seconds waitToRetry(QTimer &attempt);
    void resetRetryDelay() { m_delay = firstRetry; }

private:
    SendQueue m_queue;
    std::chrono::seconds m_delay = firstRetry;
};
