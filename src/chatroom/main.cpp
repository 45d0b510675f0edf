#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "chatroom/ChatRoomWindow.h"
#include "platform/ChatRoomClient.h"
#include "platform/ChatSocketPath.h"
#include "platform/ExitSignals.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char usage[] = "Usage: chatroom [--socket PATH] [--running | --say TEXT]\n"
                     "A local chat room that the player can follow.\n"
                     "  --socket PATH  serve on (or check) the socket at PATH instead of the\n"
                     "                 usual place\n"
                     "  --running      exit at once: status 0 when a chat room answers on the\n"
                     "                 socket, 1 otherwise\n"
                     "  --say TEXT     say TEXT in the running room as its own user (as HTML),\n"
                     "                 then exit: status 0 when the room answered, 1 otherwise\n";

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
    window.show();
    // A room stopped by the system still closes its server, which removes the socket file.
    ExitSignals exitSignals;
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, &app, &QCoreApplication::quit);
    return app.exec();
}
