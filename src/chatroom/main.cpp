#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "chatroom/ChatRoomWindow.h"
#include "chatroom/NetworkRoomLink.h"
#include "chatroom/RoomConsole.h"
#include "chatroom/RoomOptions.h"
#include "platform/ChatRoomClient.h"
#include "platform/ExitSignals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <memory>

namespace {

void tellStderr(const QString &text) {
    std::fprintf(stderr, "chatroom: %s\n", qPrintable(text));
}

std::unique_ptr<RoomNetwork> makeNetwork(const RoomOptions &options) {
    switch (options.network()) {
    case RoomOptions::Network::Irc:
        return std::make_unique<IrcClient>(options.irc());
    case RoomOptions::Network::Xmpp:
        return std::make_unique<XmppClient>(options.xmpp());
    case RoomOptions::Network::Mumble:
        return std::make_unique<MumbleClient>(options.mumble());
    case RoomOptions::Network::None:
        break;
    }
    return nullptr;
}

// Serves the room until the system ends it, with its window or, without one, with its lines
// on stderr.
int serve(const RoomOptions &options) {
    ChatRoom room;
    ChatRoomServer server(&room);
    const ChatRoomServer::Result result = server.listen(options.socketPath());
    std::unique_ptr<ChatRoomWindow> window;
    std::unique_ptr<RoomConsole> console;
    if (options.noWindow()) {
        console = std::make_unique<RoomConsole>(&room, stderr);
        console->say(server.statusText());
    } else {
        window = std::make_unique<ChatRoomWindow>(&room);
        window->setStatus(server.statusText());
        if (result != ChatRoomServer::Result::Serving)
            tellStderr(server.statusText());
        // The console says every refusal already; the window only shows the latest.
        QObject::connect(&room.pacer(), &LinePacer::refused, tellStderr);
        QObject::connect(&room.pacer(), &LinePacer::overflowing, tellStderr);
    }
    std::unique_ptr<RoomNetwork> network = makeNetwork(options);
    std::unique_ptr<NetworkRoomLink> link;
    if (network) {
        link = std::make_unique<NetworkRoomLink>(&room, network.get());
        if (window)
            window->showNetwork(network->stateText());
        QObject::connect(network.get(), &RoomNetwork::stateTextChanged, network.get(),
                         [&window](const QString &text) {
                             if (window)
                                 window->setNetworkStatus(text);
                             tellStderr(text);
                         });
        QObject::connect(network.get(), &RoomNetwork::warning, network.get(),
                         [&window](const QString &text) {
                             if (window)
                                 window->showNetworkWarning(text);
                             tellStderr(text);
                         });
        if (window)
            QObject::connect(link.get(), &NetworkRoomLink::lineRefused, tellStderr);
        if (auto *mumble = qobject_cast<MumbleClient *>(network.get()))
            QObject::connect(mumble, &MumbleClient::voiceStateChanged, mumble,
                             [&window](const QString &text) {
                                 if (window)
                                     window->setVoiceStatus(text);
                                 tellStderr(text);
                             });
        network->start();
    }
    if (window)
        window->show();
    // A room stopped by the system still closes its server, which removes the socket file.
    ExitSignals exitSignals;
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const RoomOptions options(arguments);
    if (!options.error().isEmpty()) {
        std::fprintf(stderr, "chatroom: %s\n%s", qPrintable(options.error()), RoomOptions::usage());
        return 2;
    }
    switch (options.action()) {
    case RoomOptions::Action::Help:
        std::fputs(RoomOptions::usage(), stdout);
        return 0;
    case RoomOptions::Action::Running: {
        QCoreApplication app(argc, argv);
        ChatRoomClient client(options.socketPath());
        return client.roomAnswers() ? 0 : 1;
    }
    case RoomOptions::Action::Say: {
        // For scripts that drive the player: the line arrives as if typed into the room's input
        // box by the player and sent.
        QCoreApplication app(argc, argv);
        ChatRoomClient client(options.socketPath(), 2000);
        if (!client.roomAnswers())
            return 1;
        client.setInput(options.sayText());
        client.pressSend();
        return 0;
    }
    case RoomOptions::Action::Serve:
        break;
    }
    // Nothing without a window needs more than the core application: no display is opened.
    std::unique_ptr<QCoreApplication> app = options.noWindow()
                                                ? std::make_unique<QCoreApplication>(argc, argv)
                                                : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("chatroom"));
    return serve(options);
}
