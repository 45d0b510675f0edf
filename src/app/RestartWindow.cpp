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

void RestartWindow::mainWindowClosed() {
    QFile::remove(m_settingsPath);
    m_showMainWindow();
    close();
}
