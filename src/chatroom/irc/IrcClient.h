#pragma once

#include "chatroom/irc/IrcOwnerMask.h"
#include "chatroom/net/RoomNetwork.h"

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
// delay. What it says goes through the paced, bounded queue that waits while the client is out of
// the channel. With an owner mask it tells the owner's messages from those of anyone else using
// the owner's nick.
class IrcClient : public RoomNetwork {
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
        SendQueue::Pacing pacing;
        qsizetype queueBound = SendQueue::defaultBound;
        IrcOwnerMask owner;
    };
    enum class State { Connecting, Registering, Joining, InChannel, Waiting };
    Q_ENUM(State)

    explicit IrcClient(Settings settings, QObject *parent = nullptr);
    ~IrcClient() override;

    void start() override;

    State state() const { return m_state; }
    QString stateText() const override { return m_stateText; }
    QString nick() const override { return m_nick; }
    QString place() const override { return m_settings.channel; }
    bool checksOwner() const override { return m_settings.owner.isSet(); }

signals:
    void stateChanged(IrcClient::State state, const QString &text);
    void nickChanged(const QString &nick);
    // A PRIVMSG to the channel: from the server, or our own as it went out when the server
    // does not echo them. `account` is the sender's account name when the server tags it.
    void channelMessage(const QByteArray &source, const QString &account, const QByteArray &text);

protected:
    // Each line cut into as many messages as the line limit needs.
    QList<QByteArray> encode(const QString &line) const override;
    void write(const QByteArray &message) override;

private:
    void relay(const QByteArray &source, const QString &account, const QByteArray &text);
    void connectToServer();
    void onConnected();
    void onDisconnected();
    void readLines();
    void handle(const IrcMessage &message);
    void handleCap(const IrcMessage &message);
    void writeNow(const QByteArray &line);
    void retryLater(const QString &why);
    void rejoinLater(const QString &why);
    void setState(State state, const QString &text);
    bool isChannel(const QByteArray &name) const;
    bool isMe(const QByteArray &nick) const;
    qsizetype textBudget() const;
    QString where() const;

    Settings m_settings;
    QSslSocket *m_socket;
    QTimer m_retry;
    QTimer m_rejoin;
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
