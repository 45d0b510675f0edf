#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "chatroom/ChatRoomWindow.h"
#include "chatroom/IrcRoomLink.h"
#include "chatroom/irc/IrcClient.h"
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
    "A local chat room that the player can follow, on its own or as an IRC channel.\n"
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
    "  --nick NICK           the room's nick; NICK_ and so on when it is taken\n"
    "  --tls                 connect with TLS; the server's certificate must be valid\n"
    "  --trust-cert FILE     also trust the PEM certificate in FILE (a self-hosted\n"
    "                        server's own)\n"
    "  --password-file FILE  send the first line of FILE as the server password\n"
    "  --owner MASK          nick!user@host (* and ? allowed): only the owner's lines\n"
    "                        and the room's own reach the player; the others are\n"
    "                        shown in the window, marked \"(not passed on)\", and a\n"
    "                        line under that nick from any other source is shown as\n"
    "                        \"nick (unverified)\"\n"
    "  --pace BURST,MS       send BURST lines at once, then one every MS milliseconds\n"
    "                        (default 4,2000: what servers tolerate without flood kicks)\n";

// The IRC settings from the command line; an empty error when they are complete.
QString ircSettings(const QCommandLineParser &parser, IrcClient::Settings *settings) {
    const QUrl server(QStringLiteral("irc://") + parser.value(QStringLiteral("irc")));
    if (!server.isValid() || server.host().isEmpty() || !server.path().isEmpty())
        return QStringLiteral("--irc wants HOST or HOST:PORT");
    settings->host = server.host();
    settings->tls = parser.isSet(QStringLiteral("tls"));
    settings->port = quint16(server.port(settings->tls ? 6697 : 6667));
    settings->channel = parser.value(QStringLiteral("channel"));
    if (settings->channel.size() < 2 || !QStringLiteral("#&").contains(settings->channel.at(0)) ||
        settings->channel.contains(QLatin1Char(' ')) ||
        settings->channel.contains(QLatin1Char(',')))
        return QStringLiteral("--channel wants a channel name such as '#music'");
    settings->nick = parser.value(QStringLiteral("nick"));
    if (settings->nick.isEmpty() || settings->nick.contains(QLatin1Char(' ')))
        return QStringLiteral("--nick wants a nick");
    settings->trustedCertificateFile = parser.value(QStringLiteral("trust-cert"));
    if (!settings->trustedCertificateFile.isEmpty() && !settings->tls)
        return QStringLiteral("--trust-cert goes with --tls");
    if (!settings->trustedCertificateFile.isEmpty()) {
        // Read by hand: Qt's TLS backend must not be touched before the application object
        // exists (it warns, and may pick no backend).
        QFile file(settings->trustedCertificateFile);
        if (!file.open(QIODevice::ReadOnly) ||
            !file.read(1 << 20).contains("-----BEGIN CERTIFICATE-----"))
            return QStringLiteral("no PEM certificate in %1").arg(file.fileName());
    }
    if (parser.isSet(QStringLiteral("password-file"))) {
        // Only ever from a file: a password on the command line shows in every process list.
        QFile file(parser.value(QStringLiteral("password-file")));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read the password file: %1").arg(file.errorString());
        QByteArray password = file.readLine();
        while (password.endsWith('\n') || password.endsWith('\r'))
            password.chop(1);
        settings->password = password;
    }
    if (parser.isSet(QStringLiteral("pace"))) {
        const QStringList pace = parser.value(QStringLiteral("pace")).split(QLatin1Char(','));
        bool burstOk = false, intervalOk = false;
        const int burst = pace.value(0).toInt(&burstOk);
        const int interval = pace.value(1).toInt(&intervalOk);
        if (pace.size() != 2 || !burstOk || !intervalOk || burst < 1 || interval < 1)
            return QStringLiteral("--pace wants BURST,MS such as 4,2000");
        settings->pacing = {burst, std::chrono::milliseconds(interval)};
    }
    return QString();
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
    for (const char *name :
         {"irc", "channel", "nick", "trust-cert", "password-file", "owner", "pace"})
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
    IrcClient::Settings settings;
    const QString ircError = irc ? ircSettings(parser, &settings) : QString();
    bool stray = false;
    for (const char *name :
         {"channel", "nick", "tls", "trust-cert", "password-file", "owner", "pace"})
        stray = stray || (!irc && parser.isSet(QString::fromLatin1(name)));
    if (!ircError.isEmpty() || stray) {
        std::fprintf(stderr, "chatroom: %s\n%s",
                     qPrintable(stray ? QStringLiteral("IRC options go with --irc") : ircError),
                     usage);
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
    std::unique_ptr<IrcClient> client;
    std::unique_ptr<IrcRoomLink> link;
    if (irc) {
        client = std::make_unique<IrcClient>(settings);
        link = std::make_unique<IrcRoomLink>(&room, client.get(),
                                             IrcOwnerMask(parser.value(QStringLiteral("owner"))));
        window.showNetwork(client->stateText());
        QObject::connect(client.get(), &IrcClient::stateChanged, &window,
                         [&window](IrcClient::State, const QString &text) {
                             window.setNetworkStatus(text);
                             std::fprintf(stderr, "chatroom: %s\n", qPrintable(text));
                         });
        QObject::connect(link.get(), &IrcRoomLink::lineRefused, [](const QString &reason) {
            std::fprintf(stderr, "chatroom: %s\n", qPrintable(reason));
        });
        client->start();
    }
    window.show();
    // A room stopped by the system still closes its server, which removes the socket file.
    ExitSignals exitSignals;
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, &app, &QCoreApplication::quit);
    return app.exec();
}
