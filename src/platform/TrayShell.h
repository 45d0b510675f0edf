#pragma once

#include <QString>
#include <functional>

class QMenu;
class QWidget;

// The notification-area icon.
class TrayShell {
public:
    // What the pointer did on the icon, numbered as the window system's mouse messages: 512 moved,
    // 513 left button pressed, 514 left button released, 515 left double click, 516 and 517 the
    // right button pressed and released, 519 and 520 the middle one.
    using Notify = std::function<void(int mouseMessage)>;

    virtual ~TrayShell() = default;

    // Whether the desktop has a notification area to put an icon in, now.
    virtual bool trayAvailable() const = 0;
    // Adds the icon, showing the owner's window icon and the tip; `notify` hears the pointer on
    // it. A notification area that shows applications' menus itself gets `menu` as the icon's.
    // False when there is no notification area to put it in.
    virtual bool addIcon(QWidget *owner, const QString &tip, QMenu *menu, Notify notify) = 0;
    // Removes the icon if there is one; does nothing otherwise.
    virtual void removeIcon() = 0;
    // Whether a menu of ours opens at the pointer on the icon. Not where the window system places
    // a program's menu only beside a window of that program's own (Wayland): with the main window
    // hidden it would open as a window of its own, wherever the compositor puts it.
    virtual bool menuAtPointer() const = 0;
};
