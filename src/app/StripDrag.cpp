#include "app/StripDrag.h"

StripDrag::StripDrag(std::function<bool()> systemMove, std::function<void(QPoint)> moveBy)
    : m_systemMove(std::move(systemMove)), m_moveBy(std::move(moveBy)) {}

void StripDrag::moved(Qt::MouseButtons buttons, QPoint twips) {
    if (buttons != Qt::LeftButton) {
        m_asked = m_bySystem = false;
        m_grabPoint = twips;
        return;
    }
    // Asked once a drag: the window system takes the rest of it, and refuses the same way all
    // along.
    if (!m_asked) {
        m_asked = true;
        m_bySystem = m_systemMove();
    }
    if (m_bySystem)
        return;
    // A drag that starts with the button already held has no grab point yet: its first move only
    // takes one, so the window never jumps.
    if (m_grabPoint) {
        m_moveBy(twips - *m_grabPoint);
        return;
    }
    m_grabPoint = twips;
}
