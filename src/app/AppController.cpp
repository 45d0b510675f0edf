#include "app/AppController.h"

#include "app/MainWindow.h"
#include "app/RestartWindow.h"

AppController::AppController(Platform &platform, QObject *parent)
    : QObject(parent), m_platform(platform) {}

void AppController::start() {
    createMainWindow();
}

MainWindow *AppController::mainWindow() const {
    return m_main;
}

void AppController::createMainWindow() {
    auto *window = new MainWindow(m_platform);
    m_main = window;
    connect(window, &MainWindow::clearSettingsRequested, this, &AppController::restart);
    connect(window, &QObject::destroyed, this, [this, window] {
        // A widget announces its destruction before QPointer lets go of it, so compare. During a
        // restart the old window goes after its successor exists; only the last one ends the
        // program.
        if (!m_main || m_main.data() == window)
            emit finished();
    });
    window->runLoadSequence();
}

void AppController::closeMainWindow() {
    if (m_main)
        m_main->close();
}

void AppController::restart() {
    if (!m_main)
        return;
    const QString settingsPath = m_main->settingsPath();
    new RestartWindow([this] { closeMainWindow(); }, settingsPath, [this] { createMainWindow(); });
}
