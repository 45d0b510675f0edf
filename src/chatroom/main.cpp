#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "chatroom/ChatRoomWindow.h"
#include "chatroom/NetworkRoomLink.h"
#include "chatroom/irc/IrcClient.h"
#include "chatroom/xmpp/XmppClient.h"
#include "platform/ChatRoomClient.h"
#include "platform/ChatSocketPath.h"
#include "platform/ExitSignals.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QUrl>

#include <cstdio>
#include <memory>

namespace {

const char usage[] =
    "Usage: chatroom [--socket PATH] [--running | --say TEXT]\n"
    "       chatroom [--socket PATH] --irc HOST[:PORT] --channel '#NAME' --nick NICK\n"
    "                [--tls [--trust-cert FILE]] [--password-file FILE] [--owner MASK]\n"
    "                [--pace BURST,MS]\n"
    "       chatroom [--socket PATH] --xmpp JID --muc ROOM@SERVICE [--nick NICK]\n"
    "                [--password-file FILE] [--server HOST[:PORT]] [--trust-cert FILE]\n"
    "                [--owner BAREJID] [--pace BURST,MS]\n"
    "A local chat room that the player can follow, on its own, as an IRC channel or\n"
    "as an XMPP group chat.\n"
    "  --socket PATH         serve on (or check) the socket at PATH instead of the\n"
    "                        usual place\n"
    "  --running             exit at once: status 0 when a chat room answers on the\n"
    "                        socket, 1 otherwise\n"
    "  --say TEXT            say TEXT in the running room as its own user (as HTML),\n"
    "                        then exit: status 0 when the room answered, 1 otherwise\n"
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
    "                        (default 4,2000: what servers tolerate without flood kicks)\n"
    "  --xmpp JID            make the room an XMPP group chat, signed in as JID\n"
    "                        (name@domain); always over STARTTLS with a verified\n"
    "                        certificate\n"
    "  --muc ROOM@SERVICE    the group chat to join\n"
    "  --server HOST[:PORT]  the server to connect to (default: the JID's domain,\n"
    "                        port 5222)\n"
    "  --owner BAREJID       on XMPP, the owner's JID (alice@example.org): only lines\n"
    "                        whose sender the group chat shows to be that JID reach\n"
    "                        the player, so the room must show members' JIDs\n";

// The options both networks take: the certificate to trust, the password file and the pace.
QString commonSettings(const QCommandLineParser &parser, QString *certificateFile,
                       QByteArray *password, SendQueue::Pacing *pacing) {
    *certificateFile = parser.value(QStringLiteral("trust-cert"));
    if (!certificateFile->isEmpty()) {
        // Read by hand: Qt's TLS backend must not be touched before the application object
        // exists (it warns, and may pick no backend).
        QFile file(*certificateFile);
        if (!file.open(QIODevice::ReadOnly) ||
            !file.read(1 << 20).contains("-----BEGIN CERTIFICATE-----"))
            return QStringLiteral("no PEM certificate in %1").arg(file.fileName());
    }
    if (parser.isSet(QStringLiteral("password-file"))) {
        // Only ever from a file: a password on the command line shows in every process list.
        QFile file(parser.value(QStringLiteral("password-file")));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read the password file: %1").arg(file.errorString());
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        *password = line;
    }
    if (parser.isSet(QStringLiteral("pace"))) {
        const QStringList pace = parser.value(QStringLiteral("pace")).split(QLatin1Char(','));
        bool burstOk = false, intervalOk = false;
        const int burst = pace.value(0).toInt(&burstOk);
        const int interval = pace.value(1).toInt(&intervalOk);
        if (pace.size() != 2 || !burstOk || !intervalOk || burst < 1 || interval < 1)
            return QStringLiteral("--pace wants BURST,MS such as 4,2000");
        *pacing = {burst, std::chrono::milliseconds(interval)};
    }
    return QString();
}

// HOST or HOST:PORT; false when it is neither.
bool hostAndPort(const QString &value, QString *host, quint16 *port) {
    const QUrl server(QStringLiteral("irc://") + value);
    if (!server.isValid() || server.host().isEmpty() || !server.path().isEmpty())
        return false;
    *host = server.host();
    *port = quint16(server.port(*port));
    return true;
}

// The IRC settings from the command line; an empty error when they are complete.
QString ircSettings(const QCommandLineParser &parser, IrcClient::Settings *settings) {
    settings->tls = parser.isSet(QStringLiteral("tls"));
    settings->port = settings->tls ? 6697 : 6667;
    if (!hostAndPort(parser.value(QStringLiteral("irc")), &settings->host, &settings->port))
        return QStringLiteral("--irc wants HOST or HOST:PORT");
    settings->channel = parser.value(QStringLiteral("channel"));
    if (settings->channel.size() < 2 || !QStringLiteral("#&").contains(settings->channel.at(0)) ||
        settings->channel.contains(QLatin1Char(' ')) ||
        settings->channel.contains(QLatin1Char(',')))
        return QStringLiteral("--channel wants a channel name such as '#music'");
    settings->nick = parser.value(QStringLiteral("nick"));
    if (settings->nick.isEmpty() || settings->nick.contains(QLatin1Char(' ')))
        return QStringLiteral("--nick wants a nick");
    if (parser.isSet(QStringLiteral("trust-cert")) && !settings->tls)
        return QStringLiteral("--trust-cert goes with --tls");
    settings->owner = IrcOwnerMask(parser.value(QStringLiteral("owner")));
    return commonSettings(parser, &settings->trustedCertificateFile, &settings->password,
                          &settings->pacing);
}

// A JID of the form name@domain, or with `resource` also name@domain/resource.
bool isJid(const QString &jid, bool resource) {
    const qsizetype at = jid.indexOf(QLatin1Char('@'));
    const qsizetype slash = jid.indexOf(QLatin1Char('/'));
    return at > 0 && at + 1 < (slash < 0 ? jid.size() : slash) && (resource || slash < 0) &&
           !jid.contains(QLatin1Char(' ')) && jid.count(QLatin1Char('@')) == 1;
}

// The XMPP settings from the command line; an empty error when they are complete.
QString xmppSettings(const QCommandLineParser &parser, XmppClient::Settings *settings) {
    settings->jid = parser.value(QStringLiteral("xmpp"));
    if (!isJid(settings->jid, true))
        return QStringLiteral("--xmpp wants a JID such as alice@example.org");
    settings->room = parser.value(QStringLiteral("muc"));
    if (!isJid(settings->room, false))
        return QStringLiteral("--muc wants a group chat such as music@rooms.example.org");
    settings->nick = parser.isSet(QStringLiteral("nick"))
                         ? parser.value(QStringLiteral("nick"))
                         : settings->jid.left(settings->jid.indexOf(QLatin1Char('@')));
    if (settings->nick.trimmed().isEmpty() || settings->nick.contains(QLatin1Char('/')))
        return QStringLiteral("--nick wants a nick");
    const QString domain = MucOccupants::bare(settings->jid).section(QLatin1Char('@'), 1);
    settings->host = domain;
    if (parser.isSet(QStringLiteral("server")) &&
        !hostAndPort(parser.value(QStringLiteral("server")), &settings->host, &settings->port))
        return QStringLiteral("--server wants HOST or HOST:PORT");
    settings->owner = parser.value(QStringLiteral("owner"));
    if (!settings->owner.isEmpty() && !isJid(settings->owner, false))
        return QStringLiteral("--owner wants a bare JID such as alice@example.org");
    return commonSettings(parser, &settings->trustedCertificateFile, &settings->password,
                          &settings->pacing);
}

} // namespace

int main(int argc, char *argv[]) {
    // Parsed before any application object exists, so that --running needs no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption runningOption(QStringLiteral("running"));
    const QCommandLineOption socketOption(QStringLiteral("socket"), QString(),
                                          QStringLiteral("path"));
    const QCommandLineOption sayOption(QStringLiteral("say"), QString(), QStringLiteral("text"));
    parser.addOptions({helpOption, runningOption, socketOption, sayOption});
    for (const char *name : {"irc", "channel", "nick", "trust-cert", "password-file", "owner",
                             "pace", "xmpp", "muc", "server"})
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    parser.addOption(QCommandLineOption(QStringLiteral("tls")));
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString error = parser.errorText().isEmpty()
                                  ? QStringLiteral("unexpected argument: %1")
                                        .arg(parser.positionalArguments().constFirst())
                                  : parser.errorText();
        std::fprintf(stderr, "chatroom: %s\n%s", qPrintable(error), usage);
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(usage, stdout);
        return 0;
    }
    const bool irc = parser.isSet(QStringLiteral("irc"));
    const bool xmpp = parser.isSet(QStringLiteral("xmpp"));
    IrcClient::Settings ircOptions;
    XmppClient::Settings xmppOptions;
    QString error = irc && xmpp ? QStringLiteral("--irc and --xmpp do not go together")
                    : irc       ? ircSettings(parser, &ircOptions)
                    : xmpp      ? xmppSettings(parser, &xmppOptions)
                                : QString();
    for (const char *name : {"channel", "tls"}) {
        if (error.isEmpty() && !irc && parser.isSet(QString::fromLatin1(name)))
            error = QStringLiteral("--%1 goes with --irc").arg(QString::fromLatin1(name));
    }
    for (const char *name : {"muc", "server"}) {
        if (error.isEmpty() && !xmpp && parser.isSet(QString::fromLatin1(name)))
            error = QStringLiteral("--%1 goes with --xmpp").arg(QString::fromLatin1(name));
    }
    for (const char *name : {"nick", "trust-cert", "password-file", "owner", "pace"}) {
        if (error.isEmpty() && !irc && !xmpp && parser.isSet(QString::fromLatin1(name)))
            error = QStringLiteral("network options go with --irc or --xmpp");
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "chatroom: %s\n%s", qPrintable(error), usage);
        return 2;
    }
    const QString socketPath =
        parser.isSet(socketOption) ? parser.value(socketOption) : ChatSocketPath::current();

    if (parser.isSet(runningOption)) {
        QCoreApplication app(argc, argv);
        ChatRoomClient client(socketPath);
        return client.roomAnswers() ? 0 : 1;
    }

    if (parser.isSet(sayOption)) {
        // For scripts that drive the player: the line arrives as if typed into the room's input
        // box by the player and sent.
        QCoreApplication app(argc, argv);
        ChatRoomClient client(socketPath, 2000);
        if (!client.roomAnswers())
            return 1;
        client.setInput(parser.value(sayOption));
        client.pressSend();
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("chatroom"));
    ChatRoom room;
    ChatRoomServer server(&room);
    const ChatRoomServer::Result result = server.listen(socketPath);
    ChatRoomWindow window(&room);
    window.setStatus(server.statusText());
    if (result != ChatRoomServer::Result::Serving)
        std::fprintf(stderr, "chatroom: %s\n", qPrintable(server.statusText()));
    const auto tellStderr = [](const QString &text) {
        std::fprintf(stderr, "chatroom: %s\n", qPrintable(text));
    };
    QObject::connect(&room.pacer(), &LinePacer::refused, tellStderr);
    QObject::connect(&room.pacer(), &LinePacer::overflowing, tellStderr);
    std::unique_ptr<RoomNetwork> network;
    if (irc)
        network = std::make_unique<IrcClient>(ircOptions);
    else if (xmpp)
        network = std::make_unique<XmppClient>(xmppOptions);
    std::unique_ptr<NetworkRoomLink> link;
    if (network) {
        link = std::make_unique<NetworkRoomLink>(&room, network.get());
        window.showNetwork(network->stateText());
        QObject::connect(network.get(), &RoomNetwork::stateTextChanged, &window,
                         [&window, tellStderr](const QString &text) {
                             window.setNetworkStatus(text);
                             tellStderr(text);
                         });
        QObject::connect(network.get(), &RoomNetwork::warning, &window,
                         [&window, tellStderr](const QString &text) {
                             window.showNetworkWarning(text);
                             tellStderr(text);
                         });
        QObject::connect(link.get(), &NetworkRoomLink::lineRefused, tellStderr);
        network->start();
    }
    window.show();
    // A room stopped by the system still closes its server, which removes the socket file.
    ExitSignals exitSignals;
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, &app, &QCoreApplication::quit);
    return app.exec();
}
