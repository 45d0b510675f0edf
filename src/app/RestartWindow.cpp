#include "app/RestartWindow.h"

#include <QFile>
#include <QTimer>

RestartWindow::RestartWindow(std::function<void()> closeMainWindow, QString settingsPath,
                             std::function<void()> showMainWindow, QWidget *parent)
    : QWidget(parent), m_closeMainWindow(std::move(closeMainWindow)),
      m_settingsPath(std::move(settingsPath)), m_showMainWindow(std::move(showMainWindow)),
      m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("frmRes"));
    setWindowTitle(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1);
    connect(m_timer, &QTimer::timeout, this, &RestartWindow::Timer1_Timer);
    m_timer->start();
}

void RestartWindow::Timer1_Timer() {
    m_timer->stop();
    // The main window may be inside a wait of its own; it closes once that has ended.
    m_closeMainWindow();
}

QString RestartWindow::mainWindowClosed() {
    QFile file(m_settingsPath);
    // A file that is already gone is simply not deleted.
    if (!file.remove() && file.exists()) {
        close();
        return QStringLiteral("Clear Settings could not delete %1: %2. The settings stay, and "
                              "zandor amp goes on without a restart.")
            .arg(m_settingsPath, file.errorString());
    }
    m_showMainWindow();
    close();
    return {};
}
