#include "app/AppController.h"

#include "app/MainWindow.h"
#include "app/RestartWindow.h"
#include "app/SaveAndStay.h"
#include "library/AllFormats.h"
#include "session/Session.h"
#include "session/StreamFollower.h"

AppController::AppController(Platform &platform, QObject *parent)
    : QObject(parent), m_platform(platform) {}

void AppController::start() {
    createMainWindow();
    // The first window only: a restart by Clear Settings starts without a library folder.
    if (m_main && !m_quitRequested && !m_libraryFolder.isEmpty())
        m_main->addfiles(m_libraryFolder);
}

MainWindow *AppController::mainWindow() const {
    return m_main;
}

void AppController::createMainWindow() {
    auto *window = new MainWindow(m_platform);
    m_main = window;
    m_current = window;
    connect(window, &MainWindow::clearSettingsRequested, this, &AppController::restart);
    connect(window, &MainWindow::closed, this, &AppController::mainWindowClosed);
    connect(window, &QObject::destroyed, this, [this](QObject *gone) {
        // During a restart the old window goes after its successor exists; only the last one
        // ends the program.
        if (gone == m_current && !m_restart)
            emit finished(m_exitCode);
    });
    emit mainWindowCreated(window);
    // Before the load sequence, whose greeting is the first line the chat scan reads.
    if (!m_screenName.isEmpty())
        window->session().setScreenName(m_screenName);
    window->session().stream().setGiven(m_stream);
    window->session().allFormats().setGiven(m_allFormats);
    window->runLoadSequence();
    // A close of the system that came before this window existed is carried out now.
    if (m_quitRequested && m_main)
        m_main->requestClose(CloseGuard::Origin::System);
}

void AppController::closeMainWindow() {
    m_quitRequested = true;
    if (m_main)
        m_main->requestClose(CloseGuard::Origin::System);
}

void AppController::commitSessionData() {
    if (m_main)
        m_main->staying().saveForSession();
}

void AppController::restart() {
    if (!m_main || m_restart)
        return;
    m_restart = new RestartWindow(
        [this] {
            if (m_main)
                m_main->requestClose(CloseGuard::Origin::User);
        },
        m_main->settingsPath(), [this] { createMainWindow(); });
}

void AppController::mainWindowClosed(bool settingsSaved) {
    if (!settingsSaved)
        m_exitCode = 1;
    if (!m_restart)
        return;
    // The system asked the program to end: no new window, the program ends with this one.
    if (m_quitRequested) {
        // Its timer's tick may be what closed the window, still on the stack.
        m_restart->deleteLater();
        m_restart = nullptr;
        return;
    }
    // The settings file was just written; the new window starts without one, and so never waits
    // in a scan of its own inside the old window's close. A file that could not be deleted would
    // bring the old settings back: then there is no restart, and the old window stays.
    const QString failure = m_restart->mainWindowClosed();
    if (!failure.isEmpty()) {
        m_restart = nullptr;
        if (m_main)
            m_main->staying().keepOpen(failure);
    }
}
