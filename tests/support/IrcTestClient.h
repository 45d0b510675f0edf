#pragma once

#include "chatroom/irc/IrcMessage.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <functional>

// A plain IRC client for the tests, playing a person in the channel. It answers PINGs and keeps
// every message it receives; the waits run the event loop of the calling thread.
class IrcTestClient : public QObject {
    Q_OBJECT
public:
    explicit IrcTestClient(QObject *parent = nullptr);

    // Connects to the server on the loopback port and registers; true once it is welcomed.
    bool signOn(quint16 port, const QByteArray &nick, const QByteArray &user,
                const QByteArray &password = {});
    // Joins the channel; true once the server confirms.
    bool join(const QByteArray &channel);
    void send(const QByteArray &line);
    void say(const QByteArray &channel, const QByteArray &text);
    void quit();
    void dropConnection() { m_socket.abort(); }

    QList<IrcMessage> received() const { return m_received; }
    void forget() { m_received.clear(); }
    // The texts of the channel messages from `nick`, in the order they came.
    QList<QByteArray> textsFrom(const QByteArray &nick) const;
    // Waits up to `timeoutMs` for a received message that `accept` takes.
    bool waitFor(const std::function<bool(const IrcMessage &)> &accept, int timeoutMs = 5000);
    // Waits for a channel message from `nick` whose text starts with `start`.
    bool waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs = 5000);

private:
    void readLines();

    QTcpSocket m_socket;
    QByteArray m_buffer;
    QList<IrcMessage> m_received;
};
