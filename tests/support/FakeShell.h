#pragma once

#include "platform/FolderDialog.h"
#include "platform/PopupMenus.h"
#include "platform/TrayShell.h"

#include <QMenu>
#include <QStringList>

// The folder dialog answers with a preset folder and records its prompts.
class FakeFolderDialog final : public FolderDialog {
public:
    QString answer;
    QStringList prompts;

    QString browseFolder(QWidget *, const QString &prompt) override {
        prompts << prompt;
        return answer;
    }
};

// A tray that records what was asked of it; `available` decides whether an icon can be added.
// `pointer` reports a mouse message on the icon, as the shell would.
class FakeTray final : public TrayShell {
public:
    bool available = true;
    QStringList calls;
    Notify notify;

    bool trayAvailable() const override { return available; }
    bool addIcon(QWidget *, const QString &tip, Notify n) override {
        calls << QStringLiteral("add:") + tip;
        if (available)
            notify = std::move(n);
        return available;
    }
    void removeIcon() override {
        calls << QStringLiteral("remove");
        notify = nullptr;
    }
    void pointer(int mouseMessage) {
        if (notify)
            notify(mouseMessage);
    }
};

// Records the objectName of every menu popped up instead of showing it; an action named in
// `choose` is triggered as if the user picked it.
class FakePopupMenus final : public PopupMenus {
public:
    QStringList shown;
    QString choose;

    void popUp(QMenu *menu) override {
        shown << menu->objectName();
        if (choose.isEmpty())
            return;
        for (QAction *action : menu->actions()) {
            if (action->objectName() == choose)
                action->trigger();
        }
    }
};
