#pragma once

#include <QString>

class QWidget;

// The notification-area icon. Until the tray is wired in, the app uses an implementation that
// does nothing.
class TrayShell {
public:
    virtual ~TrayShell() = default;

    // Adds the icon; false when there is no notification area to put it in.
    virtual bool addIcon(QWidget *owner, const QString &tip) = 0;
    // Removes the icon if there is one; does nothing otherwise.
    virtual void removeIcon() = 0;
};
