#include "support/MumbleTestClient.h"

#include "MumbleMessages.pb.h"
#include "chatroom/mumble/MumbleVoicePacket.h"

#include <QSslConfiguration>
#include <QSslKey>
#include <QTest>
#include <QTextDocumentFragment>
#include <opus.h>

namespace {

// The message types, from the protocol's documentation.
enum : quint16 {
    kVersion = 0,
    kUdpTunnel = 1,
    kAuthenticate = 2,
    kPing = 3,
    kServerSync = 5,
    kChannelState = 7,
    kUserRemove = 8,
    kUserState = 9,
    kTextMessage = 11,
};
constexpr int kRate = 48000;
// Keeps the last minute at most.
constexpr size_t kKeepSamples = size_t(kRate) * 60;

QByteArray bytes(const std::string &s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

} // namespace

MumbleTestClient::MumbleTestClient(QObject *parent) : QObject(parent) {
    int error = 0;
    m_decoder = opus_decoder_create(kRate, 1, &error);
    connect(&m_socket, &QSslSocket::readyRead, this, &MumbleTestClient::read);
    // The server drops a client that says nothing for 30 s.
    connect(&m_ping, &QTimer::timeout, this,
            [this] { send(kPing, mumbleproto::Ping().SerializeAsString()); });
    m_ping.start(10000);
}

MumbleTestClient::~MumbleTestClient() {
    m_socket.abort();
    if (m_decoder)
        opus_decoder_destroy(m_decoder);
}

bool MumbleTestClient::signOn(quint16 port, const QByteArray &name, const QString &certificateFile,
                              const QByteArray &password, int timeoutMs) {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    // The room's certificate check is what the tests are about; the user's client trusts all.
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    if (!certificateFile.isEmpty()) {
        QFile file(certificateFile);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray pem = file.readAll();
        config.setLocalCertificate(QSslCertificate(pem, QSsl::Pem));
        config.setPrivateKey(QSslKey(pem, QSsl::Ec, QSsl::Pem));
    }
    m_socket.setSslConfiguration(config);
    m_socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    if (!m_socket.waitForEncrypted(timeoutMs))
        return false;
    mumbleproto::Version version;
    version.set_version((1 << 16) | (3 << 8) | 4);
    version.set_release("zandoramp test member");
    send(kVersion, version.SerializeAsString());
    mumbleproto::Authenticate authenticate;
    authenticate.set_username(name.toStdString());
    authenticate.set_password(password.toStdString());
    authenticate.set_opus(true);
    send(kAuthenticate, authenticate.SerializeAsString());
    return QTest::qWaitFor([this] { return m_synced; }, timeoutMs);
}

void MumbleTestClient::send(quint16 type, const std::string &payload) {
    m_socket.write(MumbleFrames::frame(type, bytes(payload)));
}

void MumbleTestClient::read() {
    m_frames.append(m_socket.readAll());
    while (const std::optional<MumbleFrames::Frame> frame = m_frames.next())
        handle(frame->type, frame->payload);
}

void MumbleTestClient::handle(quint16 type, const QByteArray &payload) {
    const auto parse = [&payload](auto &message) {
        return message.ParseFromArray(payload.constData(), int(payload.size()));
    };
    if (type == kServerSync) {
        mumbleproto::ServerSync sync;
        if (parse(sync)) {
            m_session = sync.session();
            m_synced = true;
        }
    } else if (type == kChannelState) {
        mumbleproto::ChannelState channel;
        if (parse(channel) && channel.has_name())
            m_channels.insert(channel.channel_id(), bytes(channel.name()));
    } else if (type == kUserState) {
        mumbleproto::UserState state;
        if (!parse(state))
            return;
        User &user = m_users[state.session()];
        if (state.has_name())
            user.name = bytes(state.name());
        if (state.has_channel_id())
            user.channel = state.channel_id();
        if (state.has_user_id())
            user.registered = true;
    } else if (type == kUserRemove) {
        mumbleproto::UserRemove removed;
        if (parse(removed))
            m_users.remove(removed.session());
    } else if (type == kTextMessage) {
        mumbleproto::TextMessage text;
        if (parse(text))
            m_texts.append({m_users.value(text.actor()).name,
                            QTextDocumentFragment::fromHtml(QString::fromStdString(text.message()))
                                .toPlainText()
                                .toUtf8()});
    } else if (type == kUdpTunnel) {
        hear(payload);
    }
}

void MumbleTestClient::hear(const QByteArray &data) {
    const std::optional<MumbleVoicePacket> packet = MumbleVoicePacket::parse(data, true);
    if (!packet || !m_decoder)
        return;
    if (m_ended)
        opus_decoder_ctl(m_decoder, OPUS_RESET_STATE);
    opus_int16 pcm[5760];
    const int decoded =
        opus_decode(m_decoder, reinterpret_cast<const unsigned char *>(packet->opus.constData()),
                    opus_int32(packet->opus.size()), pcm, 5760, 0);
    if (decoded > 0) {
        m_samples.insert(m_samples.end(), pcm, pcm + decoded);
        m_total += decoded;
        if (m_samples.size() > kKeepSamples)
            m_samples.erase(m_samples.begin(),
                            m_samples.begin() + std::ptrdiff_t(m_samples.size() - kKeepSamples));
    }
    m_ended = packet->terminator;
    m_sinceVoice.start();
}

bool MumbleTestClient::join(const QByteArray &channel) {
    const quint32 id = m_channels.key(channel, 0);
    if (!m_synced || id == 0)
        return false;
    mumbleproto::UserState move;
    move.set_session(m_session);
    move.set_channel_id(id);
    send(kUserState, move.SerializeAsString());
    return QTest::qWaitFor([&] { return m_users.value(m_session).channel == id; }, 5000);
}

bool MumbleTestClient::makeChannel(const QByteArray &name) {
    if (!m_synced)
        return false;
    if (!m_channels.key(name, 0)) {
        mumbleproto::ChannelState channel;
        channel.set_parent(0);
        channel.set_name(name.toStdString());
        send(kChannelState, channel.SerializeAsString());
    }
    return QTest::qWaitFor([&] { return m_channels.key(name, 0) != 0; }, 5000);
}

bool MumbleTestClient::registerUser(const QByteArray &name) {
    const std::optional<quint32> target = session(name);
    if (!target)
        return false;
    mumbleproto::UserState state;
    state.set_session(*target);
    state.set_user_id(0);
    send(kUserState, state.SerializeAsString());
    return QTest::qWaitFor([&] { return m_users.value(*target).registered; }, 5000);
}

void MumbleTestClient::setKicker(quint16 port, const QByteArray &superUserPassword) {
    m_kickPort = port;
    m_kickPassword = superUserPassword;
}

void MumbleTestClient::say(const QByteArray &text) {
    mumbleproto::TextMessage message;
    message.add_channel_id(m_users.value(m_session).channel);
    QString html = QString::fromUtf8(text).toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QLatin1String("<br />"));
    message.set_message(html.toStdString());
    send(kTextMessage, message.SerializeAsString());
}

void MumbleTestClient::quit() {
    m_socket.disconnectFromHost();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.waitForDisconnected(3000);
}

std::optional<quint32> MumbleTestClient::session(const QByteArray &name) const {
    for (auto it = m_users.constBegin(); it != m_users.constEnd(); ++it) {
        if (it->name == name)
            return it.key();
    }
    return std::nullopt;
}

bool MumbleTestClient::kick(const QByteArray &nick) {
    MumbleTestClient admin;
    if (!admin.signOn(m_kickPort, "SuperUser", QString(), m_kickPassword))
        return false;
    const std::optional<quint32> target = admin.session(nick);
    if (!target)
        return false;
    mumbleproto::UserRemove remove;
    remove.set_session(*target);
    remove.set_reason("test kick");
    admin.send(kUserRemove, remove.SerializeAsString());
    return QTest::qWaitFor([&] { return !session(nick); }, 5000);
}

QList<QByteArray> MumbleTestClient::textsFrom(const QByteArray &nick) const {
    QList<QByteArray> texts;
    for (const auto &[name, text] : m_texts) {
        if (name == nick)
            texts += text;
    }
    return texts;
}

bool MumbleTestClient::waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs) {
    return QTest::qWaitFor(
        [&] {
            const QList<QByteArray> texts = textsFrom(nick);
            return std::any_of(texts.begin(), texts.end(),
                               [&](const QByteArray &text) { return text.startsWith(start); });
        },
        timeoutMs);
}

bool MumbleTestClient::sees(const QByteArray &nick, int timeoutMs) {
    return QTest::qWaitFor(
        [&] {
            const std::optional<quint32> found = session(nick);
            return found && m_users.value(*found).channel == m_users.value(m_session).channel;
        },
        timeoutMs);
}

ToneListener::Sound MumbleTestClient::latest(double seconds) const {
    const size_t count = size_t(seconds * kRate);
    if (m_samples.size() < count)
        return {};
    return ToneListener::measure(m_samples.data() + (m_samples.size() - count), count, kRate);
}

bool MumbleTestClient::hears(double frequency, int timeoutMs) {
    return QTest::qWaitFor([&] { return ToneListener::isTone(latest(), frequency); }, timeoutMs);
}

bool MumbleTestClient::hearsSilence(int timeoutMs) {
    return QTest::qWaitFor([&] { return m_ended && m_sinceVoice.hasExpired(300); }, timeoutMs);
}
