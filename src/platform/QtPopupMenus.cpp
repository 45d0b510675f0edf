#include "platform/QtPopupMenus.h"

#include <QCursor>
#include <QMenu>

void QtPopupMenus::popUp(QMenu *menu) {
    menu->exec(QCursor::pos());
}
