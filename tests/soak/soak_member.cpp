// The scripted member of the room for scripts/soak; see SoakRun.
//   soak_member SECONDS CHATROOM ROOM_LOG LIBRARY ENTRIES SETTINGS_FILE

#include "SoakRun.h"

#include "platform/ChatSocketPath.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7) {
        std::fprintf(stderr,
                     "usage: soak_member SECONDS CHATROOM ROOM_LOG LIBRARY ENTRIES SETTINGS\n");
        return 2;
    }
    SoakRun::Options options;
    options.seconds = args.at(1).toInt();
    options.roomProgram = args.at(2);
    options.roomLog = args.at(3);
    options.libraryFolder = args.at(4);
    options.entries = args.at(5).toInt();
    options.settingsFile = args.at(6);
    options.socketPath = ChatSocketPath::current();
    options.seed = qEnvironmentVariable("ZAMP_SOAK_SEED").toUInt();
    if (options.seconds < 1 || options.entries < 20) {
        std::fprintf(stderr, "soak_member: SECONDS must be positive and ENTRIES at least 20\n");
        return 2;
    }
    return SoakRun(options).run();
}
