#pragma once

#include <QString>
#include <functional>

class QWidget;

// The notification-area icon.
class TrayShell {
public:
    // What the pointer did on the icon, numbered as the window system's mouse messages: 512 moved,
    // 513 left button pressed, 514 left button released, 515 left double click, 516 and 517 the
    // right button pressed and released, 519 and 520 the middle one.
    using Notify = std::function<void(int mouseMessage)>;

    virtual ~TrayShell() = default;

    // Whether the desktop has a notification area to put an icon in.
    virtual bool trayAvailable() const = 0;
    // Adds the icon, showing the owner's window icon and the tip; `notify` hears the pointer on
    // it. False when there is no notification area to put it in.
    virtual bool addIcon(QWidget *owner, const QString &tip, Notify notify) = 0;
    // Removes the icon if there is one; does nothing otherwise.
    virtual void removeIcon() = 0;
};
