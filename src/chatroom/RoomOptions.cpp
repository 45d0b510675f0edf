#include "chatroom/RoomOptions.h"

#include "platform/ChatSocketPath.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QUrl>

namespace {

const char kUsage[] =
    "Usage: chatroom [--socket PATH] [--running | --say TEXT]\n"
    "       chatroom [--socket PATH] [--no-window]\n"
    "       chatroom [--socket PATH] [--no-window] --irc HOST[:PORT] --channel '#NAME'\n"
    "                --nick NICK [--tls [--trust-cert FILE]] [--password-file FILE]\n"
    "                [--owner MASK] [--pace BURST,MS]\n"
    "       chatroom [--socket PATH] [--no-window] --xmpp JID --muc ROOM@SERVICE\n"
    "                [--nick NICK] [--password-file FILE] [--server HOST[:PORT]]\n"
    "                [--trust-cert FILE] [--owner BAREJID] [--pace BURST,MS]\n"
    "       chatroom [--socket PATH] [--no-window] --mumble HOST[:PORT] --channel NAME\n"
    "                --nick NICK [--trust-cert FILE] [--cert FILE] [--password-file FILE]\n"
    "                [--owner NAME|SHA1] [--voice URL] [--pace BURST,MS]\n"
    "A local chat room that the player can follow, on its own, as an IRC channel, as\n"
    "an XMPP group chat or as a Mumble channel.\n"
    "  --socket PATH         serve on (or check) the socket at PATH instead of the\n"
    "                        usual place\n"
    "  --running             exit at once: status 0 when a chat room answers on the\n"
    "                        socket, 1 otherwise\n"
    "  --say TEXT            say TEXT in the running room as its own user (as HTML),\n"
    "                        then exit: status 0 when the room answered, 1 otherwise\n"
    "  --no-window           run without the room's window (no display needed): each\n"
    "                        line it would show goes to stderr as plain text\n"
    "  --irc HOST[:PORT]     make the room an IRC channel on this server (port 6667,\n"
    "                        or 6697 with --tls); the player's lines go to the channel\n"
    "                        and everyone's messages come into the room\n"
    "  --channel '#NAME'     the channel to join (quote it: # starts a shell comment)\n"
    "  --nick NICK           the room's nick; NICK_ and so on when it is taken (on\n"
    "                        XMPP, the JID's own name unless given)\n"
    "  --tls                 connect with TLS; the server's certificate must be valid\n"
    "  --trust-cert FILE     also trust the PEM certificate in FILE (a self-hosted\n"
    "                        server's own)\n"
    "  --password-file FILE  send the first line of FILE as the server password (on\n"
    "                        XMPP, the account's password)\n"
    "  --owner MASK          nick!user@host (* and ? allowed): only the owner's lines\n"
    "                        and the room's own reach the player; the others are\n"
    "                        shown in the window, marked \"(not passed on)\", and a\n"
    "                        line under that nick from any other source is shown as\n"
    "                        \"nick (unverified)\"\n"
    "  --pace BURST,MS       send BURST lines at once, then one every MS milliseconds\n"
    "                        (default 4,2000: what servers tolerate without flood kicks;\n"
    "                        on Mumble 5,1100)\n"
    "  --xmpp JID            make the room an XMPP group chat, signed in as JID\n"
    "                        (name@domain); always over STARTTLS with a verified\n"
    "                        certificate\n"
    "  --muc ROOM@SERVICE    the group chat to join\n"
    "  --server HOST[:PORT]  the server to connect to (default: the JID's domain,\n"
    "                        port 5222)\n"
    "  --owner BAREJID       on XMPP, the owner's JID (alice@example.org): only lines\n"
    "                        whose sender the group chat shows to be that JID reach\n"
    "                        the player, so the room must show members' JIDs\n"
    "  --mumble HOST[:PORT]  make the room a channel on this Mumble server (port\n"
    "                        64738), always over TLS with a verified certificate;\n"
    "                        --channel names the channel (no #)\n"
    "  --cert FILE           on Mumble, the room's client certificate and its key (PEM);\n"
    "                        without it the room makes one at its first start and keeps\n"
    "                        it in ~/.config/chatroom/\n"
    "  --owner NAME|SHA1     on Mumble, the owner's certificate hash (40 hex digits, as\n"
    "                        the server shows it) or a name, trusted only while the\n"
    "                        server shows that user as registered; anyone else under\n"
    "                        the owner's name is shown as \"NAME (unverified)\"\n"
    "  --voice URL           on Mumble, play the stream at URL into the channel's voice:\n"
    "                        the player's own (zandoramp --stream 127.0.0.1:PORT serves\n"
    "                        http://127.0.0.1:PORT/)\n";

const char *const kValueOptions[] = {"socket",     "say",           "irc",    "channel", "nick",
                                     "trust-cert", "password-file", "owner",  "pace",    "xmpp",
                                     "muc",        "server",        "mumble", "cert",    "voice"};
const char *const kFlagOptions[] = {"help", "running", "tls", "no-window"};

// HOST or HOST:PORT; false when it is neither.
bool hostAndPort(const QString &value, QString *host, quint16 *port) {
    const QUrl server(QStringLiteral("irc://") + value);
    if (!server.isValid() || server.host().isEmpty() || !server.path().isEmpty())
        return false;
    *host = server.host();
    *port = quint16(server.port(*port));
    return true;
}

// A JID of the form name@domain, or with `resource` also name@domain/resource.
bool isJid(const QString &jid, bool resource) {
    const qsizetype at = jid.indexOf(QLatin1Char('@'));
    const qsizetype slash = jid.indexOf(QLatin1Char('/'));
    return at > 0 && at + 1 < (slash < 0 ? jid.size() : slash) && (resource || slash < 0) &&
           !jid.contains(QLatin1Char(' ')) && jid.count(QLatin1Char('@')) == 1;
}

} // namespace

RoomOptions::RoomOptions(const QStringList &arguments) {
    m_error = read(arguments);
}

const char *RoomOptions::usage() {
    return kUsage;
}

bool RoomOptions::isSet(const char *name) const {
    return m_given.contains(QString::fromLatin1(name));
}

QString RoomOptions::value(const char *name) const {
    return m_values.value(QString::fromLatin1(name));
}

QString RoomOptions::read(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    for (const char *name : kFlagOptions) {
        if (qstrcmp(name, "help") != 0)
            parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    }
    for (const char *name : kValueOptions)
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    if (!parser.parse(arguments))
        return parser.errorText();
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument: %1")
            .arg(parser.positionalArguments().constFirst());
    for (const char *name : kFlagOptions) {
        if (parser.isSet(QString::fromLatin1(name)))
            m_given << QString::fromLatin1(name);
    }
    for (const char *name : kValueOptions) {
        if (parser.isSet(QString::fromLatin1(name))) {
            m_given << QString::fromLatin1(name);
            m_values.insert(QString::fromLatin1(name), parser.value(QString::fromLatin1(name)));
        }
    }

    m_action = isSet("help")      ? Action::Help
               : isSet("running") ? Action::Running
               : isSet("say")     ? Action::Say
                                  : Action::Serve;
    m_socketPath = isSet("socket") ? value("socket") : ChatSocketPath::current();
    m_sayText = value("say");
    m_noWindow = isSet("no-window");
    if (m_action == Action::Help)
        return QString();
    const bool irc = isSet("irc");
    const bool xmpp = isSet("xmpp");
    const bool mumble = isSet("mumble");
    if (int(irc) + int(xmpp) + int(mumble) > 1)
        return QStringLiteral("--irc, --xmpp and --mumble do not go together");
    m_network = irc      ? Network::Irc
                : xmpp   ? Network::Xmpp
                : mumble ? Network::Mumble
                         : Network::None;
    if (!irc && isSet("tls"))
        return QStringLiteral("--tls goes with --irc");
    if (!irc && !mumble && isSet("channel"))
        return QStringLiteral("--channel goes with --irc or --mumble");
    for (const char *name : {"muc", "server"}) {
        if (!xmpp && isSet(name))
            return QStringLiteral("--%1 goes with --xmpp").arg(QString::fromLatin1(name));
    }
    for (const char *name : {"cert", "voice"}) {
        if (!mumble && isSet(name))
            return QStringLiteral("--%1 goes with --mumble").arg(QString::fromLatin1(name));
    }
    for (const char *name : {"nick", "trust-cert", "password-file", "owner", "pace"}) {
        if (m_network == Network::None && isSet(name))
            return QStringLiteral("network options go with --irc, --xmpp or --mumble");
    }
    return irc ? ircSettings() : xmpp ? xmppSettings() : mumble ? mumbleSettings() : QString();
}

// The options every network takes: the certificate to trust, the password file and the pace.
QString RoomOptions::commonSettings(RoomNetwork::Settings *settings) const {
    settings->trustedCertificateFile = value("trust-cert");
    if (!settings->trustedCertificateFile.isEmpty()) {
        // Read by hand: Qt's TLS backend must not be touched before the application object
        // exists (it warns, and may pick no backend).
        QFile file(settings->trustedCertificateFile);
        if (!file.open(QIODevice::ReadOnly) ||
            !file.read(1 << 20).contains("-----BEGIN CERTIFICATE-----"))
            return QStringLiteral("no PEM certificate in %1").arg(file.fileName());
    }
    if (isSet("password-file")) {
        // Only ever from a file: a password on the command line shows in every process list.
        QFile file(value("password-file"));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read the password file: %1").arg(file.errorString());
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        settings->password = line;
    }
    if (isSet("pace")) {
        const QStringList pace = value("pace").split(QLatin1Char(','));
        bool burstOk = false, intervalOk = false;
        const int burst = pace.value(0).toInt(&burstOk);
        const int interval = pace.value(1).toInt(&intervalOk);
        if (pace.size() != 2 || !burstOk || !intervalOk || burst < 1 || interval < 1)
            return QStringLiteral("--pace wants BURST,MS such as 4,2000");
        settings->pacing = {burst, std::chrono::milliseconds(interval)};
    }
    return QString();
}

QString RoomOptions::ircSettings() {
    m_irc.tls = isSet("tls");
    m_irc.port = m_irc.tls ? 6697 : 6667;
    if (!hostAndPort(value("irc"), &m_irc.host, &m_irc.port))
        return QStringLiteral("--irc wants HOST or HOST:PORT");
    m_irc.channel = value("channel");
    if (m_irc.channel.size() < 2 || !QStringLiteral("#&").contains(m_irc.channel.at(0)) ||
        m_irc.channel.contains(QLatin1Char(' ')) || m_irc.channel.contains(QLatin1Char(',')))
        return QStringLiteral("--channel wants a channel name such as '#music'");
    m_irc.nick = value("nick");
    if (m_irc.nick.isEmpty() || m_irc.nick.contains(QLatin1Char(' ')))
        return QStringLiteral("--nick wants a nick");
    if (isSet("trust-cert") && !m_irc.tls)
        return QStringLiteral("--trust-cert goes with --tls");
    m_irc.owner = IrcOwnerMask(value("owner"));
    return commonSettings(&m_irc);
}

QString RoomOptions::xmppSettings() {
    m_xmpp.jid = value("xmpp");
    if (!isJid(m_xmpp.jid, true))
        return QStringLiteral("--xmpp wants a JID such as alice@example.org");
    m_xmpp.room = value("muc");
    if (!isJid(m_xmpp.room, false))
        return QStringLiteral("--muc wants a group chat such as music@rooms.example.org");
    m_xmpp.nick =
        isSet("nick") ? value("nick") : m_xmpp.jid.left(m_xmpp.jid.indexOf(QLatin1Char('@')));
    if (m_xmpp.nick.trimmed().isEmpty() || m_xmpp.nick.contains(QLatin1Char('/')))
        return QStringLiteral("--nick wants a nick");
    m_xmpp.host = MucOccupants::bare(m_xmpp.jid).section(QLatin1Char('@'), 1);
    if (isSet("server") && !hostAndPort(value("server"), &m_xmpp.host, &m_xmpp.port))
        return QStringLiteral("--server wants HOST or HOST:PORT");
    m_xmpp.owner = value("owner");
    if (!m_xmpp.owner.isEmpty() && !isJid(m_xmpp.owner, false))
        return QStringLiteral("--owner wants a bare JID such as alice@example.org");
    return commonSettings(&m_xmpp);
}

QString RoomOptions::mumbleSettings() {
    if (!hostAndPort(value("mumble"), &m_mumble.host, &m_mumble.port))
        return QStringLiteral("--mumble wants HOST or HOST:PORT");
    m_mumble.channel = value("channel");
    if (m_mumble.channel.trimmed().isEmpty())
        return QStringLiteral("--channel wants the name of a channel on the server");
    m_mumble.nick = value("nick");
    if (m_mumble.nick.trimmed().isEmpty())
        return QStringLiteral("--nick wants a name");
    m_mumble.owner = value("owner");
    if (isSet("owner") && m_mumble.owner.trimmed().isEmpty())
        return QStringLiteral("--owner wants a name or a certificate hash");
    if (isSet("cert")) {
        // Only looked at here: Qt's TLS backend reads it once the application exists.
        QFile file(value("cert"));
        const QByteArray pem = file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
        if (!pem.contains("-----BEGIN CERTIFICATE-----") || !pem.contains("PRIVATE KEY-----"))
            return QStringLiteral("no PEM certificate with its key in %1").arg(file.fileName());
        m_mumble.certificateFile = file.fileName();
    }
    if (isSet("voice")) {
        const QUrl url(value("voice"), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() ||
            (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            return QStringLiteral("--voice wants a stream's address such as "
                                  "http://127.0.0.1:8000/");
        m_mumble.voice = url.toString();
    }
    return commonSettings(&m_mumble);
}
