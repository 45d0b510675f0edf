#include "app/CloseGuard.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

bool CloseGuard::request(Origin origin) {
    if (origin == Origin::System)
        m_origin = Origin::System;
    if (m_holds == 0)
        return true;
    m_pending = true;
    return false;
}

void CloseGuard::release() {
    --m_holds;
    if (m_holds > 0 || !m_pending || m_posted)
        return;
    // Queued: the handler that held the guard, and everything below it on the stack, returns
    // before the close runs.
    m_posted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_posted = false;
            if (m_pending && m_holds == 0)
                emit closeDue();
        },
        Qt::QueuedConnection);
}

void CloseGuard::dismissOpenBoxes() {
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
