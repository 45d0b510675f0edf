#pragma once

#include <QObject>
#include <QPointer>

#include "session/SessionRemote.h"
#include "tray/TrayNotice.h"

class MenuForm;
class TrayHost;
class TrayShell;

// The main window's life in the notification area: Send to tray with its one-time notice, the
// icon's menu with Show and Unload, and the check marks that mirror the window's switches.
class TrayControl : public QObject {
    Q_OBJECT
public:
    // The one pointer message that acts: the left button released on the icon.
    static constexpr int kLeftButtonUp = 514;

    TrayControl(TrayHost &host, TrayShell &shell, QObject *parent = nullptr);
    ~TrayControl() override;

    // Send to tray (chameleonButton7_Click).
    void sendToTray();
    // Show (tshow): the window back, "tray" set to "0", the icon removed.
    void showWindow();
    // The window up and in front, from the tray too (the desktop's Raise).
    void raiseWindow();
    // What the desktop's media controls ask of the window: to come up, and to close as Unload
    // does.
    SessionRemote::View remoteView();
    // Unload zandor amp (mUnload): "tray" set to "1", then the program ends.
    void unload();
    // The main window's mouse-move handler, through which the icon reports the pointer: X in
    // twips holds the mouse message times the twips per pixel.
    void mouseMove(int xTwips);
    // Connects the tray menu's items; called once for each new menu form.
    void connectMenu(MenuForm *form);
    // Closes the notice now (the close sequence calls this before it saves the settings).
    void closeNotice();

    TrayNotice *notice() const { return m_notice; }
    // Shortens the notice's ticks (tests).
    void setNoticeTickMs(int ms) { m_noticeTickMs = ms; }

private:
    TrayHost &m_host;
    TrayShell &m_shell;
    QPointer<TrayNotice> m_notice;
    int m_noticeTickMs;
    bool m_toldNoTray = false;
};
