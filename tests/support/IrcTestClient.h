#pragma once

#include "chatroom/irc/IrcMessage.h"
#include "support/ChatMember.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <functional>

// A plain IRC client for the tests, playing a person in the channel. It answers PINGs and keeps
// every message it receives; the waits run the event loop of the calling thread.
class IrcTestClient : public QObject, public ChatMember {
    Q_OBJECT
public:
    explicit IrcTestClient(QObject *parent = nullptr);

    // Connects to the server on the loopback port and registers; true once it is welcomed.
    bool signOn(quint16 port, const QByteArray &nick, const QByteArray &user,
                const QByteArray &password = {});
    // Joins the channel; true once the server confirms.
    bool join(const QByteArray &channel);
    void send(const QByteArray &line);
    // To the channel joined last.
    void say(const QByteArray &text) override;
    void quit() override;
    void dropConnection() override { m_socket.abort(); }
    bool kick(const QByteArray &nick) override;

    QList<IrcMessage> received() const { return m_received; }
    void forget() override { m_received.clear(); }
    QList<QByteArray> textsFrom(const QByteArray &nick) const override;
    // Waits up to `timeoutMs` for a received message that `accept` takes.
    bool waitFor(const std::function<bool(const IrcMessage &)> &accept, int timeoutMs = 5000);
    bool waitForText(const QByteArray &nick, const QByteArray &start,
                     int timeoutMs = 5000) override;
    bool sees(const QByteArray &nick, int timeoutMs = 10000) override;

private:
    void readLines();

    QTcpSocket m_socket;
    QByteArray m_buffer;
    QList<IrcMessage> m_received;
    QByteArray m_channel;
};
