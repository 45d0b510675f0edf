#include "platform/QtPopupMenus.h"

#include <QCursor>
#include <QMenu>

void QtPopupMenus::popUp(QMenu *menu) {
    menu->exec(QCursor::pos());
}

void QtPopupMenus::open(QMenu *menu) {
    menu->popup(QCursor::pos());
}
