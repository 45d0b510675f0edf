#pragma once

#include "platform/TrayShell.h"

// A platform without a notification area: no icon is ever added.
class NoTray final : public TrayShell {
public:
    bool addIcon(QWidget *, const QString &) override { return false; }
    void removeIcon() override {}
};
