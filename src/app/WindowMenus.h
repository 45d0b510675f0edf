#pragma once

#include <QObject>
#include <QPointer>

class MainWindow;
class MenuForm;
class Session;
class TrayControl;

// The menu form frmx of a main window: made on first use, its items connected to the window's
// handlers and to the session, and closed by the close sequence. Its check items show the
// session's options as they stand.
class WindowMenus : public QObject {
    Q_OBJECT
public:
    WindowMenus(MainWindow &window, Session &session, TrayControl &tray);
    // A window of its own: it goes with the main window.
    ~WindowMenus() override;

    // Made on first use.
    MenuForm *form();
    MenuForm *existing() const;
    void close();

private:
    MainWindow &m_window;
    Session &m_session;
    TrayControl &m_tray;
    QPointer<MenuForm> m_form;
};
