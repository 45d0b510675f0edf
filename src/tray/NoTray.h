#pragma once

#include "platform/TrayShell.h"

// The tray until the notification-area icon is built: adding and removing do nothing.
class NoTray final : public TrayShell {
public:
    void addIcon(QWidget *, const QString &) override {}
    void removeIcon() override {}
};
