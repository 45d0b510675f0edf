#include "support/IrcTestClient.h"

#include <QDeadlineTimer>
#include <QTest>

IrcTestClient::IrcTestClient(QObject *parent) : QObject(parent) {
    connect(&m_socket, &QTcpSocket::readyRead, this, &IrcTestClient::readLines);
}

bool IrcTestClient::signOn(quint16 port, const QByteArray &nick, const QByteArray &user,
                           const QByteArray &password) {
    m_socket.abort();
    m_buffer.clear();
    m_received.clear();
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    if (!m_socket.waitForConnected(5000))
        return false;
    if (!password.isEmpty())
        send("PASS " + password);
    send("NICK " + nick);
    send("USER " + user + " 0 * :test user");
    return waitFor([](const IrcMessage &m) { return m.command == "001"; });
}

bool IrcTestClient::join(const QByteArray &channel) {
    m_channel = channel;
    send("JOIN " + channel);
    return waitFor([](const IrcMessage &m) { return m.command == "366"; });
}

void IrcTestClient::send(const QByteArray &line) {
    m_socket.write(line + "\r\n");
    m_socket.flush();
}

void IrcTestClient::say(const QByteArray &text) {
    send("PRIVMSG " + m_channel + " :" + text);
}

bool IrcTestClient::kick(const QByteArray &nick) {
    send("KICK " + m_channel + " " + nick + " :out");
    return waitFor([](const IrcMessage &m) { return m.command == "KICK"; });
}

bool IrcTestClient::sees(const QByteArray &nick, int timeoutMs) {
    return waitFor(
        [&](const IrcMessage &m) {
            const QList<QByteArray> names =
                m.command == "353" ? m.params.last().split(' ') : QList<QByteArray>();
            return names.contains(nick) || names.contains("@" + nick) ||
                   names.contains("+" + nick) || (m.command == "JOIN" && m.nick() == nick);
        },
        timeoutMs);
}

void IrcTestClient::quit() {
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    send("QUIT :bye");
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.waitForDisconnected(2000);
    m_socket.abort();
}

QList<QByteArray> IrcTestClient::textsFrom(const QByteArray &nick) const {
    QList<QByteArray> texts;
    for (const IrcMessage &message : m_received) {
        if (message.command == "PRIVMSG" && message.nick() == nick)
            texts += message.param(1);
    }
    return texts;
}

bool IrcTestClient::waitFor(const std::function<bool(const IrcMessage &)> &accept, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype checked = 0;
    for (;;) {
        for (; checked < m_received.size(); ++checked) {
            if (accept(m_received.at(checked)))
                return true;
        }
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
}

bool IrcTestClient::waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs) {
    return waitFor(
        [&](const IrcMessage &m) {
            return m.command == "PRIVMSG" && m.nick() == nick && m.param(1).startsWith(start);
        },
        timeoutMs);
}

void IrcTestClient::readLines() {
    m_buffer += m_socket.readAll();
    for (qsizetype end; (end = m_buffer.indexOf("\r\n")) >= 0;) {
        const QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 2);
        const auto message = IrcMessage::parse(line);
        if (!message)
            continue;
        if (message->command == "PING")
            send("PONG :" + message->param(0));
        m_received += *message;
    }
}
