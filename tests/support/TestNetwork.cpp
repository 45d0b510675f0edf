#include "support/TestNetwork.h"

#include "support/IrcTestClient.h"
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
    else
        m_xmpp = std::make_unique<ProsodyServer>();
}

TestNetwork::~TestNetwork() = default;

TestNetwork::Kind TestNetwork::fromEnvironment() {
    return qEnvironmentVariable("ZAMP_TEST_NETWORK") == QLatin1String("xmpp") ? Kind::Xmpp
                                                                              : Kind::Irc;
}

QString TestNetwork::missing() const {
    if (isIrc() && NgircdServer::executable().isEmpty())
        return QStringLiteral("ngircd is not installed (scripts/deps installs it)");
    if (!isIrc() && ProsodyServer::executable().isEmpty())
        return QStringLiteral("prosody is not installed (scripts/deps installs it)");
    return QString();
}

bool TestNetwork::start() {
    return isIrc() ? m_irc->start() : m_xmpp->start();
}

void TestNetwork::kill() {
    isIrc() ? m_irc->kill() : m_xmpp->kill();
}

QString TestNetwork::errorString() const {
    return isIrc() ? m_irc->errorString() : m_xmpp->errorString();
}

quint16 TestNetwork::port() const {
    return isIrc() ? m_irc->port() : m_xmpp->port();
}

QString TestNetwork::certificateFile() const {
    return isIrc() ? m_irc->certificateFile() : m_xmpp->certificateFile();
}

QByteArray TestNetwork::place(bool anonymous) const {
    return isIrc()     ? QByteArray("#zandoramp")
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
