#include "app/AppController.h"
#include "app/AppWiring.h"
#include "platform/ExitSignals.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zandoramp"));
    // The program ends when its main window closes for good, not when the last visible window
    // does: Clear Settings closes the main window and opens a new one, and the window can be
    // hidden in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    AppWiring wiring;
    AppController controller(wiring.platform());
    QObject::connect(&controller, &AppController::finished, &app, &QCoreApplication::quit);

    ExitSignals exitSignals;
    QObject::connect(&exitSignals, &ExitSignals::exitRequested, &controller,
                     &AppController::closeMainWindow);
    // The desktop session is ending: close like any other close, so the settings are saved.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &controller,
                     [&controller](QSessionManager &) { controller.closeMainWindow(); });

    controller.start();
    return app.exec();
}
