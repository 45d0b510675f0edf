#include "chatroom/mumble/MumbleClient.h"

#include "MumbleMessages.pb.h"
#include "chatroom/mumble/ChannelVoice.h"
#include "chatroom/mumble/MumbleText.h"

#include <QDateTime>
#include <QSignalBlocker>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QSysInfo>

namespace {

// What the room says it is: the protocol of 1.3.4, the version whose voice packets it speaks.
constexpr quint32 kProtocolVersion = (1 << 16) | (3 << 8) | 4;
constexpr std::chrono::seconds kPingInterval{10};
// The server drops a client after 30 s without a word; the room gives a silent server as long.
constexpr qint64 kSilentServerMs = 30000;
// Writing text messages, in the server's permission bits.
constexpr quint32 kTextPermission = 0x200;
// Voice that cannot leave faster than it is made is late already: past this much waiting to be
// written, packets are dropped.
constexpr qint64 kMostVoiceWaiting = 64 * 1024;

} // namespace

MumbleClient::MumbleClient(Settings settings, QObject *parent)
    : RoomNetwork(QStringLiteral("Mumble"), settings, parent), m_settings(std::move(settings)),
      m_certificate(m_settings.certificateFile.isEmpty()
                        ? RoomCertificate::ownIn(m_settings.certificateFolder)
                        : RoomCertificate::fromFile(m_settings.certificateFile)),
      m_socket(new QSslSocket(this)), m_reader(m_settings.owner) {
    if (!m_settings.trustedCertificateFile.isEmpty())
        m_trusted = QSslCertificate::fromPath(m_settings.trustedCertificateFile, QSsl::Pem);
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.addCaCertificates(m_trusted);
    config.setLocalCertificate(m_certificate.certificate());
    config.setPrivateKey(m_certificate.key());
    m_socket->setSslConfiguration(config);

    connect(m_socket, &QSslSocket::encrypted, this, &MumbleClient::onEncrypted);
    connect(m_socket, &QSslSocket::readyRead, this, [this] {
        m_lastHeard.start();
        m_reader.read(m_socket->readAll());
    });
    connect(m_socket, &QSslSocket::disconnected, this, &MumbleClient::onDisconnected);
    connect(m_socket, &QSslSocket::errorOccurred, this, [this] {
        if (lastError().isEmpty())
            setLastError(m_socket->errorString());
        onDisconnected();
    });
    connect(m_socket, &QSslSocket::sslErrors, this, [this](const QList<QSslError> &errors) {
        // A server's own certificate, given with --trust-cert, is taken whatever host it names:
        // the one a server makes for itself names none. Nothing else is ever ignored.
        QStringList reasons;
        for (const QSslError &error : errors) {
            if (error.error() != QSslError::HostNameMismatch ||
                !m_trusted.contains(error.certificate()))
                reasons << error.errorString();
        }
        if (reasons.isEmpty())
            m_socket->ignoreSslErrors(errors);
        else
            setLastError(tr("certificate not trusted: %1").arg(reasons.join(QStringLiteral("; "))));
    });

    m_ping.setInterval(kPingInterval);
    connect(&m_ping, &QTimer::timeout, this, &MumbleClient::ping);
    connect(&m_reader, &MumbleReader::serverSynced, this, &MumbleClient::synced);
    connect(&m_reader, &MumbleReader::userChanged, this, &MumbleClient::userChanged);
    connect(&m_reader, &MumbleReader::userRemoved, this, &MumbleClient::userRemoved);
    connect(&m_reader, &MumbleReader::rejected, this, &MumbleClient::rejected);
    connect(&m_reader, &MumbleReader::permissionDenied, this, &MumbleClient::refused);
    connect(&m_reader, &MumbleReader::textArrived, this,
            [this](const QString &name, const QString &text, Sender sender, bool toRoomAlone) {
                // On its way into the channel the room may pass through others: what is said
                // there is not said in the channel.
                if (toRoomAlone || m_inChannel)
                    emit messageArrived(name, text, false, toRoomAlone ? Sender::Private : sender);
            });
    connect(&m_reader, &MumbleReader::broken, this,
            [this] { retryLater(tr("the server sent something that is not Mumble's protocol")); });

    if (!m_settings.voice.isEmpty()) {
        m_voice = new ChannelVoice(m_settings.voice, this);
        connect(m_voice, &ChannelVoice::packetReady, this, &MumbleClient::sendVoice);
        connect(m_voice, &ChannelVoice::stateChanged, this, &MumbleClient::voiceStateChanged);
    }
}

MumbleClient::~MumbleClient() {
    // No message says goodbye in Mumble: the connection closing does, before the socket goes.
    disconnect(m_socket, nullptr, this, nullptr);
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->flush();
        m_socket->disconnectFromHost();
    }
}

template <typename Message> void MumbleClient::send(quint16 type, const Message &message) {
    const std::string bytes = message.SerializeAsString();
    m_socket->write(MumbleFrames::frame(type, QByteArray(bytes.data(), qsizetype(bytes.size()))));
}

void MumbleClient::connectToServer() {
    if (!m_certificate.isValid()) {
        // No identity, no connection: trying again would not make one.
        setState(State::Waiting,
                 tr("Mumble: no client certificate: %1").arg(m_certificate.errorString()));
        return;
    }
    if (m_voice)
        m_voice->start();
    connectAs(m_settings.nick);
}

void MumbleClient::connectAs(const QString &nick) {
    m_nextNick.clear();
    m_ping.stop();
    m_reader.clear();
    m_target.reset();
    m_inChannel = false;
    updateVoice();
    setLastError(QString());
    setNick(nick, false);
    setState(State::Connecting, tr("Mumble: connecting to %1").arg(where()));
    {
        // What is left of the last connection (it may still be closing) goes unreported.
        const QSignalBlocker quiet(m_socket);
        m_socket->abort();
    }
    m_socket->connectToHostEncrypted(m_settings.host, m_settings.port);
}

void MumbleClient::onEncrypted() {
    setState(State::SigningOn, tr("Mumble: signing on to %1 as %2 (certificate %3)")
                                   .arg(where(), nick(), m_certificate.hash()));
    mumbleproto::Version version;
    version.set_version(kProtocolVersion);
    version.set_release("zandoramp chatroom");
    version.set_os(QSysInfo::kernelType().toStdString());
    version.set_os_version(QSysInfo::kernelVersion().toStdString());
    send(MumbleReader::Version, version);
    mumbleproto::Authenticate authenticate;
    authenticate.set_username(nick().toStdString());
    if (!m_settings.password.isEmpty())
        authenticate.set_password(m_settings.password.toStdString());
    authenticate.set_opus(true);
    send(MumbleReader::Authenticate, authenticate);
    m_lastHeard.start();
    m_ping.start();
}

void MumbleClient::onDisconnected() {
    // The socket reports a close twice (an error, then the disconnect): once is enough.
    if (waitingToReconnect() || m_switchingName)
        return;
    if (!m_nextNick.isEmpty()) {
        // The name was in use: the next one is tried at once, as on IRC, from the event loop
        // (this runs inside the socket's own signal).
        m_switchingName = true;
        QTimer::singleShot(0, this, [this, next = m_nextNick] {
            m_switchingName = false;
            connectAs(next);
        });
        return;
    }
    retryLater(lastError().isEmpty() ? tr("connection closed") : lastError());
}

void MumbleClient::ping() {
    if (m_lastHeard.hasExpired(kSilentServerMs))
        return retryLater(tr("the server stopped answering"));
    mumbleproto::Ping message;
    message.set_timestamp(quint64(QDateTime::currentMSecsSinceEpoch()));
    send(MumbleReader::Ping, message);
}

void MumbleClient::retryLater(const QString &why) {
    m_ping.stop();
    m_inChannel = false;
    updateVoice();
    waitToReconnect(why);
    m_socket->abort();
    m_reader.clear();
}

void MumbleClient::synced() {
    setNick(nick());
    if (m_voice)
        m_voice->setBandwidth(m_reader.maxBandwidth());
    join();
}

void MumbleClient::join() {
    if (!m_reader.synced())
        return;
    m_target = m_reader.roster().channelNamed(m_settings.channel);
    if (!m_target)
        return waitToRejoin(tr("the server has no channel %1").arg(m_settings.channel));
    const MumbleRoster::User *self = m_reader.self();
    if (self && self->channel == *m_target)
        return enterChannel();
    setState(State::Joining, tr("Mumble: joining %1 on %2").arg(m_settings.channel, where()));
    mumbleproto::UserState move;
    move.set_session(m_reader.session());
    move.set_channel_id(*m_target);
    send(MumbleReader::UserState, move);
}

void MumbleClient::enterChannel() {
    if (m_voice)
        m_voice->setBandwidth(m_reader.maxBandwidth());
    m_inChannel = true;
    resetRetryDelay();
    setState(State::Joined,
             tr("Mumble: in %1 on %2 as %3").arg(m_settings.channel, where(), nick()));
    setQueueOpen(true);
    updateVoice();
}

void MumbleClient::userChanged(quint32 session) {
    const MumbleRoster::User *self = m_reader.self();
    if (!self || session != m_reader.session() || !m_target)
        return;
    if (self->channel == *m_target && !m_inChannel) {
        enterChannel();
    } else if (self->channel != *m_target && m_inChannel) {
        m_inChannel = false;
        updateVoice();
        waitToRejoin(tr("moved to %1").arg(m_reader.roster().channelName(self->channel)));
    } else {
        updateVoice();
    }
}

void MumbleClient::userRemoved(quint32 session, quint32 actor, const QString &reason, bool ban) {
    if (session != m_reader.session() || !m_reader.synced())
        return;
    // The server closes the connection next; this is why.
    const MumbleRoster::User *by = m_reader.roster().user(actor);
    setLastError(ban  ? tr("banned by %1: %2").arg(by ? by->name : tr("the server"), reason)
                 : by ? tr("kicked by %1: %2").arg(by->name, reason)
                      : tr("%1 (%2)").arg(reason, tr("the name was taken")));
    // Nobody kicked the room: the server gave its name to a newer client from the same address
    // (it lets a user come back that way). Taking the name back would take it from that client,
    // which would take it back in turn: the room takes the next name instead.
    if (!by && !ban)
        m_nextNick = nick() + QLatin1Char('_');
}

void MumbleClient::rejected(int type, const QString &reason) {
    // In use now, or registered to someone else (whose certificate the room does not hold).
    if (type == MumbleReader::usernameInUse || type == MumbleReader::wrongUserPassword)
        m_nextNick = nick() + QLatin1Char('_');
    setLastError(reason.isEmpty() ? tr("refused by the server") : reason);
}

void MumbleClient::refused(int type, quint32 permission, quint32 channel, const QString &reason) {
    // PermissionDenied's types: 1 a permission, 4 text too long, 9 channel full.
    constexpr int kPermission = 1, kTextTooLong = 4, kChannelFull = 9;
    if (!m_inChannel && m_target &&
        ((type == kPermission && channel == *m_target) || type == kChannelFull))
        return waitToRejoin(reason.isEmpty() ? tr("not let in") : reason);
    if (type == kPermission && permission == kTextPermission)
        warnOnce(tr("The server does not let the room write in %1: nobody there reads the "
                    "player's lines.")
                     .arg(m_settings.channel));
    else if (type == kTextTooLong)
        warnOnce(tr("The server refused a line of the room as too long."));
    else
        warnOnce(tr("The server refused the room something: %1")
                     .arg(reason.isEmpty() ? tr("permission denied") : reason));
}

void MumbleClient::updateVoice() {
    if (!m_voice)
        return;
    const MumbleRoster::User *self = m_reader.self();
    const bool muted = self && (self->mute || self->selfMute);
    const bool suppressed = self && self->suppress;
    m_voice->setAllowed(m_inChannel && !muted && !suppressed);
    if (m_inChannel && (muted || suppressed))
        warnOnce(tr("The server does not let the room speak in %1 (%2): nobody hears the music. "
                    "Give the room's user the right to speak there.")
                     .arg(m_settings.channel, muted ? tr("muted") : tr("suppressed")));
}

void MumbleClient::warnOnce(const QString &text) {
    if (m_warned.contains(text))
        return;
    m_warned.insert(text);
    emit warning(text);
}

QList<QByteArray> MumbleClient::encode(const QString &line) const {
    QList<QByteArray> messages;
    for (const QString &piece : MumbleText::split(line, m_reader.messageLength()))
        messages += piece.toUtf8();
    return messages;
}

void MumbleClient::write(const QByteArray &message) {
    if (!m_inChannel || !m_target)
        return;
    mumbleproto::TextMessage text;
    text.add_channel_id(*m_target);
    text.set_message(message.toStdString());
    send(MumbleReader::TextMessage, text);
    // The server does not send the room's own messages back: they show as they went out.
    emit messageArrived(nick(), MumbleText::toPlain(QString::fromUtf8(message)), false,
                        Sender::Own);
}

void MumbleClient::sendVoice(const QByteArray &packet) {
    if (!m_inChannel || m_socket->bytesToWrite() > kMostVoiceWaiting)
        return;
    m_socket->write(MumbleFrames::frame(MumbleReader::UDPTunnel, packet));
}
