#pragma once

#include <QWidget>
#include <functional>

class QTimer;

// frmRes: a window that is never shown and only carries a timer. Its first tick closes the main
// window (its close sequence writes the settings file), deletes the settings file, shows a fresh
// main window (whose load sequence then starts from nothing) and closes itself.
class RestartWindow : public QWidget {
    Q_OBJECT
public:
    RestartWindow(std::function<void()> closeMainWindow, QString settingsPath,
                  std::function<void()> showMainWindow, QWidget *parent = nullptr);

private:
    void Timer1_Timer();

    std::function<void()> m_closeMainWindow;
    QString m_settingsPath;
    std::function<void()> m_showMainWindow;
    QTimer *m_timer;
};
