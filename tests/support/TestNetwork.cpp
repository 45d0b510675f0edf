#include "support/TestNetwork.h"

#include "support/IrcTestClient.h"
#include "support/MumbleServer.h"
#include "support/MumbleTestClient.h"
#include "support/NgircdServer.h"
#include "support/ProsodyServer.h"
#include "support/XmppTestClient.h"

#include <QDir>
#include <QFile>

namespace {
const QByteArray kPassword = "letmein";
}

TestNetwork::TestNetwork(Kind kind) : m_kind(kind) {
    if (isIrc())
        m_irc = std::make_unique<NgircdServer>(NgircdServer::Options{kPassword, true});
    else if (kind == Kind::Xmpp)
        m_xmpp = std::make_unique<ProsodyServer>();
    else
        m_mumble = std::make_unique<MumbleServer>();
}

TestNetwork::~TestNetwork() = default;

TestNetwork::Kind TestNetwork::fromEnvironment() {
    const QString name = qEnvironmentVariable("ZAMP_TEST_NETWORK");
    return name == QLatin1String("xmpp")     ? Kind::Xmpp
           : name == QLatin1String("mumble") ? Kind::Mumble
                                             : Kind::Irc;
}

QString TestNetwork::missing() const {
    if (isIrc() && NgircdServer::executable().isEmpty())
        return QStringLiteral("ngircd is not installed (scripts/deps installs it)");
    if (m_xmpp && ProsodyServer::executable().isEmpty())
        return QStringLiteral("prosody is not installed (scripts/deps installs it)");
    if (m_mumble && MumbleServer::executable().isEmpty())
        return QStringLiteral("murmurd is not installed (scripts/deps installs mumble-server)");
    return QString();
}

bool TestNetwork::start() {
    return m_irc ? m_irc->start() : m_xmpp ? m_xmpp->start() : m_mumble->start();
}

void TestNetwork::kill() {
    m_irc ? m_irc->kill() : m_xmpp ? m_xmpp->kill() : m_mumble->kill();
}

QString TestNetwork::errorString() const {
    return m_irc ? m_irc->errorString() : m_xmpp ? m_xmpp->errorString() : m_mumble->errorString();
}

quint16 TestNetwork::port() const {
    return m_irc ? m_irc->port() : m_xmpp ? m_xmpp->port() : m_mumble->port();
}

QString TestNetwork::certificateFile() const {
    return m_irc    ? m_irc->certificateFile()
           : m_xmpp ? m_xmpp->certificateFile()
                    : m_mumble->certificateFile();
}

QByteArray TestNetwork::place(bool anonymous) const {
    return m_irc       ? QByteArray("#zandoramp")
           : m_mumble  ? QByteArray("music")
           : anonymous ? QByteArray("zandoramp@anon.localhost")
                       : QByteArray("zandoramp@conference.localhost");
}

QByteArray TestNetwork::password() const {
    return kPassword;
}

std::unique_ptr<ChatMember> TestNetwork::enter(const QByteArray &nick, const QByteArray &account,
                                               bool anonymous) const {
    if (isIrc()) {
        auto member = std::make_unique<IrcTestClient>();
        if (member->signOn(port(), nick, account, kPassword) && member->join(place()))
            return member;
    } else if (m_mumble) {
        auto member = std::make_unique<MumbleTestClient>();
        member->setKicker(port(), m_mumble->superUserPassword());
        if (member->signOn(port(), nick, m_mumble->accountCertificate(account), kPassword) &&
            member->join(place()))
            return member;
    } else {
        auto member = std::make_unique<XmppTestClient>();
        if (member->signOn(port(), account, kPassword) && member->join(place(anonymous), nick))
            return member;
    }
    return nullptr;
}

QStringList TestNetwork::roomArguments(const QByteArray &nick, const QString &folder) const {
    QFile password(QDir(folder).filePath("password"));
    if (!password.exists() && password.open(QIODevice::WriteOnly))
        password.write(kPassword + "\n");
    // A quick pace: the real one (a line every 2 s) would make the tests take minutes.
    const QStringList common{"--nick",          QString::fromLatin1(nick),
                             "--password-file", password.fileName(),
                             "--pace",          "5,150"};
    if (isIrc())
        return QStringList{"--irc",     QStringLiteral("127.0.0.1:%1").arg(port()),
                           "--channel", QString::fromLatin1(place()),
                           "--owner",   "alice!~alice@127.0.0.1"} +
               common;
    if (m_mumble)
        return QStringList{"--mumble",     QStringLiteral("127.0.0.1:%1").arg(port()),
                           "--channel",    QString::fromLatin1(place()),
                           "--owner",      m_mumble->accountHash("alice"),
                           "--trust-cert", certificateFile()} +
               common;
    return QStringList{"--xmpp",       "zandoramp@localhost",
                       "--muc",        QString::fromLatin1(place()),
                       "--server",     QStringLiteral("127.0.0.1:%1").arg(port()),
                       "--owner",      "alice@localhost",
                       "--trust-cert", certificateFile()} +
           common;
}

QStringList TestNetwork::untrustedRoomArguments(const QByteArray &nick,
                                                const QString &folder) const {
    QStringList arguments = roomArguments(nick, folder);
    if (isIrc()) {
        arguments[arguments.indexOf("--irc") + 1] =
            QStringLiteral("localhost:%1").arg(m_irc->tlsPort());
        arguments << "--tls";
    } else {
        arguments.remove(arguments.indexOf("--trust-cert"), 2);
    }
    return arguments;
}
