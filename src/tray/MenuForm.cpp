#include "tray/MenuForm.h"

#include <QAction>
#include <QMenu>

namespace {

struct Item {
    const char *name;
    const char *caption;
    bool checkable = false;
    bool checked = checkable;
};

QMenu *makeMenu(QWidget *owner, const char *name, std::initializer_list<Item> items) {
    auto *menu = new QMenu(owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->setTitle(QString::fromLatin1(name));
    for (const Item &item : items) {
        if (QByteArrayView(item.caption) == "-") {
            menu->addSeparator()->setObjectName(QString::fromLatin1(item.name));
            continue;
        }
        QAction *action = menu->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        if (item.checkable) {
            action->setCheckable(true);
            action->setChecked(item.checked);
        }
    }
    return menu;
}

} // namespace

MenuForm::MenuForm(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmx"));
    m_lstClick = makeMenu(this, "lstClick",
                          {{"mnuPlay", "Play file"},
                           {"mnuRem", "Remove File"},
                           {"mnuDel", "Delete File (from hard drive)"},
                           {"mnuStop", "Stop Playing"},
                           {"mnuPause", "Pause Playing"}});
    m_trayC = makeMenu(this, "trayC",
                       {{"tshow", "Show"},
                        {"mUnload", "Unload zandor amp"},
                        {"addfile", "Add Files"},
                        {"tplay", "Play File"},
                        {"playrf", "Play Random File"},
                        {"tstop", "Stop Playing"},
                        {"tpause", "Pause Playing"},
                        {"tre", "Resume Play"},
                        {"ecs", "Enable Chat Scan", true},
                        {"ecs2", "Enable Chat Send", true},
                        {"tauto", "Auto Random", true},
                        {"tyutyu", "-"},
                        {"werrwe", "Cancel"}});
    m_mnuopt = makeMenu(this, "mnuopt",
                        {{"mnuAdd", "Add Files"},
                         {"mnuChatSends", "Chat Sends"},
                         {"mnuCmds", "Commands"},
                         {"mnuTray", "Send to tray"},
                         {"mnuCredits", "Credits"},
                         {"mnuNoRepeats", "No Repeats", true, false},
                         {"mnuListen", "Listen Along", true, false},
                         {"mnuAllFormats", "All Formats", true, false}});
}

QAction *MenuForm::item(const QString &name) const {
    return findChild<QAction *>(name);
}
