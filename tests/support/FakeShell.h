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
class FakeTray final : public TrayShell {
public:
    bool available = true;
    QStringList calls;

    bool addIcon(QWidget *, const QString &tip) override {
        calls << QStringLiteral("add:") + tip;
        return available;
    }
    void removeIcon() override { calls << QStringLiteral("remove"); }
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
