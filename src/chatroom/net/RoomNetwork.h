#pragma once

#include "chatroom/net/SendQueue.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>

// What the room needs of a network's group chat (an IRC channel, an XMPP multi-user chat, a
// Mumble channel): its members' messages, each with how far its sender is known, and a way to
// speak there. The parts every network shares live here: the settings each takes, the room's
// nick and connection state, the paced, bounded queue that holds the room's lines while it is
// out of the group chat, and the two delays before the next attempt to get back in (connecting
// again, or joining again while still connected), which start at a second and double up to a
// minute.
class RoomNetwork : public QObject {
    Q_OBJECT
public:
    // Who said a message. An impostor uses the owner's name without being the owner. A private
    // message, to the room alone, is shown but never reaches the player, whoever sent it.
    enum class Sender { Own, Owner, Impostor, Other, Private };
    Q_ENUM(Sender)
    enum class State { Connecting, SigningOn, Joining, Joined, Waiting };
    Q_ENUM(State)

    // What every network takes from the command line.
    struct Settings {
        QString host;
        quint16 port = 0;
        // A PEM certificate to trust besides the system's, for self-hosted servers.
        QString trustedCertificateFile;
        QByteArray password; // empty: none
        QString nick;
        SendQueue::Pacing pacing;
        qsizetype queueBound = SendQueue::defaultBound;
    };

    static constexpr std::chrono::seconds firstRetry{1};
    static constexpr std::chrono::seconds lastRetry{60};

    // `network` names the network in the state texts ("IRC").
    RoomNetwork(const QString &network, const Settings &settings, QObject *parent = nullptr);

    void start() { connectToServer(); }
    // The room's own name in the group chat.
    QString nick() const { return m_nick; }
    State state() const { return m_state; }
    // One line for the room's window.
    QString stateText() const { return m_stateText; }
    // The group chat, as its members would name it ("#music", "music@rooms.example.org").
    virtual QString place() const = 0;
    // True when the network can tell the owner's messages from everyone else's.
    virtual bool checksOwner() const = 0;
    // True when the group chat's messages are HTML (Mumble's), which the room's lines are
    // already: they go out as they are. Otherwise they go as plain text.
    virtual bool takesHtml() const { return false; }

    // Says each of `lines` (plain text, with IRC's bold and underline codes at most, or HTML
    // where the network takes it) in the group chat. False, and nothing queued, when the queue has
    // no room for all of them.
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
    // A fresh connection, from the start (and after the delay to connect again).
    virtual void connectToServer() = 0;
    // Into the group chat on the connection there is (after the delay to join again).
    virtual void join() = 0;
    // The server as the state texts name it: "host:port".
    virtual QString where() const;

    const Settings &settings() const { return m_settings; }
    const QString &network() const { return m_network; }

    // Lines go out while the room is in the group chat, and wait otherwise.
    void setQueueOpen(bool open) { m_queue.setOpen(open); }
    void setState(State state, const QString &text);
    // The nick the room has, or is about to have; `announce` tells the room so.
    void setNick(const QString &nick, bool announce = true);
    // Why the connection failed, when the server or the certificate check said it before the
    // socket closed; it says more than the socket's own error.
    QString lastError() const { return m_lastError; }
    void setLastError(const QString &why) { m_lastError = why; }
    // Out of the network: the queue closes, nothing waits to join, and a new connection is made
    // after the next delay (the one after it doubled), which the state text tells with `why`.
    void waitToReconnect(const QString &why);
    bool waitingToReconnect() const { return m_retry.isActive(); }
    // Out of the group chat but still connected: it is joined again after the next delay.
    void waitToRejoin(const QString &why);
    // In the group chat: the next wait is a short one again.
    void resetRetryDelay() { m_delay = firstRetry; }

private:
    std::chrono::seconds nextDelay();

    QString m_network;
    Settings m_settings;
    SendQueue m_queue;
    QTimer m_retry;
    QTimer m_rejoin;
    std::chrono::seconds m_delay = firstRetry;
    State m_state = State::Connecting;
    QString m_stateText;
    QString m_nick;
    QString m_lastError;
};
