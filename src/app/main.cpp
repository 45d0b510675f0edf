#include "app/AppController.h"
#include "app/AppWiring.h"
#include "platform/AudioLibraryLog.h"
#include "platform/ExitSignals.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

int main(int argc, char *argv[]) {
    AudioLibraryLog::routeToDebugLog();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zandoramp"));
    // The program ends when its main window closes for good, not when the last visible window
    // does: Clear Settings closes the main window and opens a new one, and the window can be
    // hidden in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    // First of all, so that a signal during the start is held until the program can close.
    ExitSignals exitSignals;
    AppWiring wiring;
    AppController controller(wiring.platform());
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, &controller,
                     &AppController::closeMainWindow);
    QObject::connect(&controller, &AppController::finished, &app, &QCoreApplication::exit);

    // The desktop session is ending: close like any other close, so the settings are saved.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &controller,
                     [&controller](QSessionManager &) { controller.closeMainWindow(); });

    // The load sequence runs inside the event loop: exit() before the loop has started would be
    // lost, and a close asked for during the start must end the program.
    QTimer::singleShot(0, &controller, &AppController::start);
    return app.exec();
}
