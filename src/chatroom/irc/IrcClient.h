#pragma once

#include "chatroom/irc/IrcOwnerMask.h"
#include "chatroom/net/RoomNetwork.h"

#include <QByteArray>
#include <QObject>
#include <QString>

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
    struct Settings : RoomNetwork::Settings {
        Settings() { port = 6667; }
        bool tls = false;
        QString channel;
        IrcOwnerMask owner;
    };

    explicit IrcClient(Settings settings, QObject *parent = nullptr);
    ~IrcClient() override;

    QString place() const override { return m_settings.channel; }
    bool checksOwner() const override { return m_settings.owner.isSet(); }

signals:
    // A PRIVMSG to the channel: from the server, or our own as it went out when the server
    // does not echo them. `account` is the sender's account name when the server tags it.
    void channelMessage(const QByteArray &source, const QString &account, const QByteArray &text);

protected:
    // Each line cut into as many messages as the line limit needs.
    QList<QByteArray> encode(const QString &line) const override;
    void write(const QByteArray &message) override;
    void connectToServer() override;
    void join() override;
    QString where() const override;

private:
    void relay(const QByteArray &source, const QString &account, const QByteArray &text);
    void onConnected();
    void onDisconnected();
    void readLines();
    void handle(const IrcMessage &message);
    void handleCap(const IrcMessage &message);
    void writeNow(const QByteArray &line);
    void retryLater(const QString &why);
    bool isChannel(const QByteArray &name) const;
    bool isMe(const QByteArray &nick) const;
    qsizetype textBudget() const;

    Settings m_settings;
    QSslSocket *m_socket;
    QByteArray m_buffer;
    QList<QByteArray> m_offeredCaps;
    bool m_capNegotiating = false;
    bool m_registered = false;
    bool m_echo = false;
    bool m_accountTag = false;
};
