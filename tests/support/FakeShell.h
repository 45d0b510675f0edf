#pragma once

#include "platform/FolderDialog.h"
#include "platform/PopupMenus.h"
#include "platform/TrayShell.h"
#include "platform/WindowMover.h"

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

// A tray that records what was asked of it and the icon's menu; `available` decides whether an
// icon can be added, `atPointer` whether menus open at the pointer. `pointer` reports a mouse
// message on the icon, as the shell would.
class FakeTray final : public TrayShell {
public:
    bool available = true;
    bool atPointer = true;
    QStringList calls;
    QMenu *menu = nullptr;
    Notify notify;

    bool trayAvailable() const override { return available; }
    bool menuAtPointer() const override { return atPointer; }
    bool addIcon(QWidget *, const QString &tip, QMenu *iconMenu, Notify n) override {
        calls << QStringLiteral("add:") + tip;
        if (available) {
            menu = iconMenu;
            notify = std::move(n);
        }
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

// Records the objectName of every menu popped up instead of showing it, marked "(open)" where
// the call returns at once; an action named in `choose` is triggered as if the user picked it.
class FakePopupMenus final : public PopupMenus {
public:
    QStringList shown;
    QString choose;

    void open(QMenu *menu) override {
        popUp(menu);
        shown.last() += QStringLiteral(" (open)");
    }
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

// A window system that moves windows itself where `accepts`; counts the drags it was asked for.
class FakeWindowMover final : public WindowMover {
public:
    bool accepts = false;
    int asked = 0;

    bool startSystemMove(QWidget *) override {
        ++asked;
        return accepts;
    }
};
