#include "session/CloseGuard.h"

#include <QMetaObject>

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
