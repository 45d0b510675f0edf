#include "app/OpenBoxes.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

void openboxes::dismiss() {
    QList<QPointer<QWidget>> open;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && (window->isModal() || window->windowType() == Qt::Popup))
            open.append(window);
    }
    // Closing one box may delete another (a menu and its submenu): each is checked again.
    for (const QPointer<QWidget> &window : std::as_const(open)) {
        if (window)
            window->close();
    }
}
