#pragma once

#include <QWidget>
#include <functional>

class QTimer;

// frmRes: a window that is never shown and only carries a timer. Its first tick asks the main
// window to close; once its close sequence has written the settings file, the restart goes on:
// the settings file is deleted, a fresh main window is shown (its load sequence starts from
// nothing) and this window closes itself. A file that stays where it is stops the restart.
class RestartWindow : public QWidget {
    Q_OBJECT
public:
    RestartWindow(std::function<void()> closeMainWindow, QString settingsPath,
                  std::function<void()> showMainWindow, QWidget *parent = nullptr);

    // The main window's close sequence has run. Returns why the settings file could not be
    // deleted, with no new window shown; empty when the restart went on.
    QString mainWindowClosed();

private:
    void Timer1_Timer();

    std::function<void()> m_closeMainWindow;
    QString m_settingsPath;
    std::function<void()> m_showMainWindow;
    QTimer *m_timer;
};
