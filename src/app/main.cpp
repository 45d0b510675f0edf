#include "app/AppController.h"
#include "app/AppWiring.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/RoomLauncher.h"
#include "app/SettingsFolder.h"
#include "library/Fold.h"
#include "platform/AudioLibraryLog.h"
#include "platform/ExitSignals.h"
#include "session/SessionRunner.h"
#include "session/Settings.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>

namespace {

// With --with-room: the room started beside the player when none is running (it outlives the
// player, and runs without a window where the player does), then, started now or found
// running, the room's own user is obeyed unless a name was given.
QString startRoom(const CommandLine &options) {
    QString screenName = options.screenName();
    if (!options.withRoom())
        return screenName;
    const QString room = QDir(QCoreApplication::applicationDirPath()).filePath("chatroom");
    RoomLauncher::startIfNone(room, options.noWindow() ? RoomLauncher::Window::None
                                                       : RoomLauncher::Window::Shown);
    if (screenName.isEmpty())
        screenName = fold(RoomLauncher::roomUserName());
    return screenName;
}

// The session alone, on a core application: nothing here may need a display.
int runWithoutWindow(int argc, char *argv[], const CommandLine &options) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zandoramp"));
    ExitSignals exitSignals;
    const QString screenName = startRoom(options);
    AppWiring wiring(false);
    SessionRunner runner(wiring.platform());
    runner.setScreenName(screenName);
    runner.setLibraryFolder(options.libraryFolder());
    runner.setStream(options.stream());
    runner.setAllFormats(options.allFormats());
    // The desktop's Quit ends it as a signal does; there is no window to raise.
    wiring.connectDesktop(runner.session(), {{}, [&runner] {
                                                 runner.requestClose();
                                             }});
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, &runner,
                     &SessionRunner::requestClose);
    QObject::connect(&runner, &SessionRunner::finished, &app, &QCoreApplication::exit);
    QTimer::singleShot(0, &runner, &SessionRunner::start);
    return app.exec();
}

int runWithWindow(int argc, char *argv[], const CommandLine &options) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zandoramp"));
    // The program ends when its main window closes for good, not when the last visible window
    // does: Clear Settings closes the main window and opens a new one, and the window can be
    // hidden in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    // First of all, so that a signal during the start is held until the program can close.
    ExitSignals exitSignals;
    const QString screenName = startRoom(options);
    AppWiring wiring;
    AppController controller(wiring.platform());
    wiring.connectDesktop(controller);
    controller.setScreenName(screenName);
    controller.setLibraryFolder(options.libraryFolder());
    controller.setStream(options.stream());
    controller.setAllFormats(options.allFormats());
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, &controller,
                     &AppController::closeMainWindow);
    QObject::connect(&controller, &AppController::finished, &app, &QCoreApplication::exit);

    // The desktop session may be ending: the settings are saved at once, but the program must
    // not end here, since another program may still cancel the logout. It closes, like any other
    // close, when the session really ends: through its window's close event, or as the event
    // loop quits.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &controller,
                     [&controller](QSessionManager &) { controller.commitSessionData(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &controller,
                     &AppController::closeMainWindow);

    // The load sequence runs inside the event loop: exit() before the loop has started would be
    // lost, and a close asked for during the start must end the program.
    QTimer::singleShot(0, &controller, &AppController::start);
    return app.exec();
}

} // namespace

int main(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine options(arguments);
    switch (options.action()) {
    case CommandLine::Action::Error:
        std::fprintf(stderr, "zandoramp: %s\nTry 'zandoramp --help' for more information.\n",
                     qPrintable(options.error()));
        return 2;
    case CommandLine::Action::Version:
        std::fputs(qPrintable(CommandLine::version()), stdout);
        return 0;
    case CommandLine::Action::Help: {
        // Only to learn where the executable is; no display is needed.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("zandoramp"));
        const QString folder = SettingsFolder::forProgram(QCoreApplication::applicationDirPath());
        const QString file = QDir(folder).filePath(QString::fromLatin1(Settings::kFileName));
        std::fputs(qPrintable(CommandLine::usage(QDir::toNativeSeparators(file))), stdout);
        return 0;
    }
    case CommandLine::Action::Run:
        break;
    }
    AudioLibraryLog::routeToDebugLog();
    return options.noWindow() ? runWithoutWindow(argc, argv, options)
                              : runWithWindow(argc, argv, options);
}
