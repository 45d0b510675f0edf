#pragma once

#include <QObject>
#include <QPointer>

class MainWindow;
struct Platform;

// Keeps the program's one main window: creates it (its load sequence runs), restarts it for
// Clear Settings, and ends the program when it closes for good.
class AppController : public QObject {
    Q_OBJECT
public:
    explicit AppController(Platform &platform, QObject *parent = nullptr);

    void start();
    MainWindow *mainWindow() const;
    // A close request from outside (a signal, the session ending): the close sequence runs.
    void closeMainWindow();

signals:
    // The main window closed and no restart follows.
    void finished();

private:
    void createMainWindow();
    void restart();

    Platform &m_platform;
    QPointer<MainWindow> m_main;
};
