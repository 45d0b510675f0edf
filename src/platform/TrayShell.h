#pragma once

#include <QString>

class QWidget;

// The notification-area icon. Until the tray is wired in, the app uses an implementation that
// does nothing.
class TrayShell {
public:
    virtual ~TrayShell() = default;

    virtual void addIcon(QWidget *owner, const QString &tip) = 0;
    // Removes the icon if there is one; does nothing otherwise.
    virtual void removeIcon() = 0;
};
