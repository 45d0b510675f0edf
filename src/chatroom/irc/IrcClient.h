#pragma once

#include "chatroom/irc/IrcSendQueue.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

class QSslSocket;
struct IrcMessage;

// One IRC connection that stays in one channel: it registers (server password, nick, user,
// IRCv3 capabilities), answers PINGs, takes the next nick while its own is in use, joins the
// channel and rejoins after a kick, and after any disconnect connects again with a growing
// delay (1 s doubling up to 60 s). What it says goes through a paced, bounded queue that waits
// while the client is out of the channel.
class IrcClient : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QString host;
        quint16 port = 6667;
        bool tls = false;
        // A PEM certificate to trust besides the system's, for self-hosted servers.
        QString trustedCertificateFile;
        QByteArray password; // empty: none
        QString nick;
        QString channel;
        IrcSendQueue::Pacing pacing;
        qsizetype queueBound = IrcSendQueue::defaultBound;
    };
    enum class State { Connecting, Registering, Joining, InChannel, Waiting };
    Q_ENUM(State)

    static constexpr std::chrono::seconds firstRetry{1};
    static constexpr std::chrono::seconds lastRetry{60};

    explicit IrcClient(Settings settings, QObject *parent = nullptr);
    ~IrcClient() override;

    void start();

    // Says each of `lines` in the channel, cut into as many messages as the line limit needs.
    // False, and nothing queued, when the queue has no room for all of them.
    bool say(const QStringList &lines);

    State state() const { return m_state; }
    // One line for the room's window.
    QString stateText() const { return m_stateText; }
    QString nick() const { return m_nick; }
    QString channel() const { return m_settings.channel; }
    qsizetype pending() const { return m_queue.pending(); }
    qsizetype queueBound() const { return m_queue.bound(); }

signals:
    void stateChanged(IrcClient::State state, const QString &text);
    void nickChanged(const QString &nick);
    // A PRIVMSG to the channel: from the server, or our own as it went out when the server
    // does not echo them. `account` is the sender's account name when the server tags it.
    void channelMessage(const QByteArray &source, const QString &account, const QByteArray &text);

private:
    void connectToServer();
    void onConnected();
    void onDisconnected();
    void readLines();
    void handle(const IrcMessage &message);
    void handleCap(const IrcMessage &message);
    void writeNow(const QByteArray &line);
    void writeQueued(const QByteArray &line);
    void retryLater(const QString &why);
    void rejoinLater(const QString &why);
    void setState(State state, const QString &text);
    bool isChannel(const QByteArray &name) const;
    bool isMe(const QByteArray &nick) const;
    qsizetype textBudget() const;
    QString where() const;

    Settings m_settings;
    QSslSocket *m_socket;
    IrcSendQueue m_queue;
    QTimer m_retry;
    QTimer m_rejoin;
    std::chrono::seconds m_delay = firstRetry;
    QByteArray m_buffer;
    QString m_nick;
    QString m_lastError;
    QList<QByteArray> m_offeredCaps;
    bool m_capNegotiating = false;
    bool m_registered = false;
    bool m_echo = false;
    bool m_accountTag = false;
    State m_state = State::Connecting;
    QString m_stateText;
};
