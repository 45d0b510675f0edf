#include "chatroom/irc/IrcClient.h"

#include "chatroom/irc/IrcMessage.h"
#include "chatroom/irc/IrcText.h"

#include <QSslConfiguration>
#include <QSslSocket>

namespace {

// The longest line a server must accept, CR LF included (RFC 1459), and room for the source
// ":nick!user@host " that the server puts in front when it relays our message: a user name of
// up to 10 characters (some servers prefix "~") and a host name of up to 63.
constexpr qsizetype kLineLimit = 512;
constexpr qsizetype kRelayedSourceExtra = 1 + 1 + 10 + 1 + 63 + 1;
// IRCv3 tags may add 8191 bytes in front of the 512; anything longer without a line end is not
// IRC, and is thrown away rather than kept growing.
constexpr qsizetype kLongestIncoming = 8192 + kLineLimit;

QString plain(const QByteArray &bytes) {
    return irctext::stripFormatting(irctext::decode(bytes));
}

} // namespace

IrcClient::IrcClient(Settings settings, QObject *parent)
    : RoomNetwork(QStringLiteral("IRC"), settings, parent), m_settings(std::move(settings)),
      m_socket(new QSslSocket(this)) {
    connect(this, &IrcClient::channelMessage, this, &IrcClient::relay);
    connect(m_socket, &QSslSocket::readyRead, this, &IrcClient::readLines);
    connect(m_socket, &QSslSocket::disconnected, this, &IrcClient::onDisconnected);
    if (m_settings.tls)
        connect(m_socket, &QSslSocket::encrypted, this, &IrcClient::onConnected);
    else
        connect(m_socket, &QSslSocket::connected, this, &IrcClient::onConnected);
    connect(m_socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
        // Never ignored: the handshake fails and the socket reports it below.
        QStringList reasons;
        for (const QSslError &error : errors)
            reasons << error.errorString();
        setLastError(tr("certificate not trusted: %1").arg(reasons.join(QStringLiteral("; "))));
    });
    connect(m_socket, &QSslSocket::errorOccurred, this, [this] {
        // A reason given before (the server's ERROR line, the certificate's faults) says more
        // than the socket's "remote host closed the connection".
        if (lastError().isEmpty())
            setLastError(m_socket->errorString());
        onDisconnected();
    });

    if (m_settings.tls) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setPeerVerifyMode(QSslSocket::VerifyPeer);
        if (!m_settings.trustedCertificateFile.isEmpty())
            config.addCaCertificates(
                QSslCertificate::fromPath(m_settings.trustedCertificateFile, QSsl::Pem));
        m_socket->setSslConfiguration(config);
    }
}

IrcClient::~IrcClient() {
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->write(IrcMessage::build("QUIT", {"closing"}) + "\r\n");
        m_socket->flush();
    }
}

QList<QByteArray> IrcClient::encode(const QString &line) const {
    QList<QByteArray> messages;
    const QByteArray channel = m_settings.channel.toUtf8();
    for (const QByteArray &piece : irctext::split(line, textBudget()))
        messages += IrcMessage::build("PRIVMSG", {channel, piece});
    return messages;
}

void IrcClient::relay(const QByteArray &rawSource, const QString &account, const QByteArray &text) {
    // No nick holds control characters, and the player drops a CR from a speaker's name before
    // it compares the name with its user's: "ali\rce" would pass the owner check below as
    // someone else and then be obeyed as alice. The nick shown is the nick checked.
    QByteArray source = rawSource;
    source.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    const QString nick =
        irctext::decode(source.left(source.indexOf('!') < 0 ? source.size() : source.indexOf('!')));
    const QByteArray action = irctext::actionText(text);
    if (action.isNull() && irctext::isCtcp(text))
        return; // a client-to-client query (VERSION, PING, ...), not something said
    // The server gives no one else the room's nick while the room holds it.
    const Sender sender = nick == this->nick()                           ? Sender::Own
                          : m_settings.owner.isOwner(source, account)    ? Sender::Owner
                          : m_settings.owner.isImpostor(source, account) ? Sender::Impostor
                                                                         : Sender::Other;
    emit messageArrived(nick, plain(action.isNull() ? text : action), !action.isNull(), sender);
}

void IrcClient::connectToServer() {
    m_buffer.clear();
    setLastError(QString());
    m_registered = false;
    m_echo = false;
    m_accountTag = false;
    setNick(m_settings.nick, false);
    setState(State::Connecting, tr("IRC: connecting to %1").arg(where()));
    if (m_settings.tls)
        m_socket->connectToHostEncrypted(m_settings.host, m_settings.port);
    else
        m_socket->connectToHost(m_settings.host, m_settings.port);
}

void IrcClient::onConnected() {
    setState(State::SigningOn, tr("IRC: signing on to %1 as %2").arg(where(), nick()));
    // CAP LS first makes an IRCv3 server hold the registration until CAP END; a server without
    // capabilities answers "unknown command" and registers as usual.
    m_capNegotiating = true;
    m_offeredCaps.clear();
    writeNow("CAP LS 302");
    if (!m_settings.password.isEmpty())
        writeNow(IrcMessage::build("PASS", {m_settings.password}));
    writeNow(IrcMessage::build("NICK", {nick().toUtf8()}));
    writeNow(IrcMessage::build("USER", {nick().toUtf8(), "0", "*", "zandoramp chat room"}));
}

void IrcClient::onDisconnected() {
    if (waitingToReconnect())
        return;
    retryLater(lastError().isEmpty() ? tr("connection closed") : lastError());
}

void IrcClient::readLines() {
    m_buffer += m_socket->readAll();
    qsizetype from = 0;
    for (qsizetype end; (end = m_buffer.indexOf('\n', from)) >= 0; from = end + 1) {
        QByteArray line = m_buffer.mid(from, end - from);
        if (line.endsWith('\r'))
            line.chop(1);
        if (const auto message = IrcMessage::parse(line))
            handle(*message);
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return; // handle() gave up on the connection, and cleared the buffer with it
    }
    m_buffer.remove(0, from);
    if (m_buffer.size() > kLongestIncoming)
        m_buffer.clear();
}

void IrcClient::handle(const IrcMessage &message) {
    const QByteArray &command = message.command;
    if (command == "PING") {
        writeNow(IrcMessage::build("PONG", message.params));
    } else if (command == "CAP") {
        handleCap(message);
    } else if (command == "001") {
        m_registered = true;
        setNick(QString::fromUtf8(message.param(0)));
        join();
    } else if ((command == "433" || command == "436") && !m_registered) {
        setNick(nick() + QLatin1Char('_'), false);
        writeNow(IrcMessage::build("NICK", {nick().toUtf8()}));
    } else if (command == "421" && message.param(1) == "CAP") {
        m_capNegotiating = false;
    } else if (command == "JOIN" && isMe(message.nick()) && isChannel(message.param(0))) {
        resetRetryDelay();
        setState(State::Joined,
                 tr("IRC: in %1 on %2 as %3").arg(m_settings.channel, where(), nick()));
        setQueueOpen(true);
    } else if (command == "KICK" && isChannel(message.param(0)) && isMe(message.param(1))) {
        waitToRejoin(tr("kicked by %1: %2").arg(plain(message.nick()), plain(message.param(2))));
    } else if ((command == "403" || command == "405" || command == "471" || command == "473" ||
                command == "474" || command == "475" || command == "477") &&
               isChannel(message.param(1))) {
        waitToRejoin(plain(message.params.value(2, command)));
    } else if (command == "NICK" && isMe(message.nick())) {
        setNick(QString::fromUtf8(message.param(0)));
    } else if (command == "PRIVMSG" && isChannel(message.param(0))) {
        emit channelMessage(message.source,
                            m_accountTag ? message.tags.value("account") : QString(),
                            message.param(1));
    } else if (command == "ERROR" || command == "464" || command == "432") {
        setLastError(plain(message.params.isEmpty() ? command : message.params.last()));
    }
}

void IrcClient::handleCap(const IrcMessage &message) {
    const QByteArray sub = message.param(1).toUpper();
    if (sub == "LS") {
        // "CAP * LS * :..." announces that more lines follow.
        const bool more = message.params.size() > 3 && message.param(2) == "*";
        for (const QByteArray &cap : message.params.last().split(' '))
            m_offeredCaps += cap.left(cap.indexOf('=') < 0 ? cap.size() : cap.indexOf('='));
        if (more)
            return;
        QList<QByteArray> wanted;
        for (const char *cap : {"echo-message", "account-tag"}) {
            if (m_offeredCaps.contains(cap))
                wanted += cap;
        }
        if (wanted.isEmpty())
            writeNow("CAP END");
        else
            writeNow(IrcMessage::build("CAP", {"REQ", wanted.join(' ')}));
    } else if (sub == "ACK" || sub == "NAK") {
        if (sub == "ACK") {
            const QList<QByteArray> acked = message.params.last().trimmed().split(' ');
            m_echo = m_echo || acked.contains("echo-message");
            m_accountTag = m_accountTag || acked.contains("account-tag");
        }
        if (m_capNegotiating) {
            m_capNegotiating = false;
            writeNow("CAP END");
        }
    }
}

void IrcClient::writeNow(const QByteArray &line) {
    m_socket->write(line + "\r\n");
}

void IrcClient::write(const QByteArray &message) {
    writeNow(message);
    if (m_echo)
        return;
    // Servers do not send our own messages back to us; the room shows them as they went out.
    if (const auto sent = IrcMessage::parse(message))
        emit channelMessage(nick().toUtf8(), QString(), sent->param(1));
}

void IrcClient::join() {
    setState(State::Joining, tr("IRC: joining %1 on %2").arg(m_settings.channel, where()));
    writeNow(IrcMessage::build("JOIN", {m_settings.channel.toUtf8()}));
}

void IrcClient::retryLater(const QString &why) {
    waitToReconnect(why);
    m_socket->abort();
    m_buffer.clear();
}

bool IrcClient::isChannel(const QByteArray &name) const {
    return QString::fromUtf8(name).compare(m_settings.channel, Qt::CaseInsensitive) == 0;
}

bool IrcClient::isMe(const QByteArray &nick) const {
    return QString::fromUtf8(nick).compare(this->nick(), Qt::CaseInsensitive) == 0;
}

qsizetype IrcClient::textBudget() const {
    const qsizetype command = QByteArray("PRIVMSG  :").size() + m_settings.channel.toUtf8().size();
    return kLineLimit - 2 - command - kRelayedSourceExtra - nick().toUtf8().size();
}

QString IrcClient::where() const {
    return QStringLiteral("%1:%2%3")
        .arg(m_settings.host)
        .arg(m_settings.port)
        .arg(m_settings.tls ? tr(" (TLS)") : QString());
}
