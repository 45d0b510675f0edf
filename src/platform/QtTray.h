#pragma once

#include "platform/TrayShell.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

// The notification-area icon on Qt's system tray icon: the XEmbed tray or a StatusNotifier host on
// X11, a StatusNotifier host over the session bus on Wayland, the shell's notification area on
// Windows.
class QtTray final : public QObject, public TrayShell {
    Q_OBJECT
public:
    bool trayAvailable() const override;
    bool addIcon(QWidget *owner, const QString &tip, QMenu *menu, Notify notify) override;
    void removeIcon() override;
    bool menuAtPointer() const override;

    // The mouse message a tray activation stands for. Qt reports one reason per gesture, and
    // when it does so depends on the platform: on Windows a click is reported at the left
    // button's release, on the X11 tray at its press, from a StatusNotifier host as its Activate
    // call. Either way it is the user's left click, the one gesture that opens the tray menu.
    static int mouseMessage(QSystemTrayIcon::ActivationReason reason);

private:
    QPointer<QSystemTrayIcon> m_icon;
    Notify m_notify;
};
