#include "platform/TransientWindow.h"

#include <QWidget>
#include <QWindow>

namespace transientwindow {

void placeOver(QWidget *window, QWidget *owner) {
    // On X11 only a dialog's transient parent reaches the window manager (WM_TRANSIENT_FOR); a
    // plain window would still be placed on its own.
    window->setWindowFlag(Qt::Dialog);
    // Both need their native windows before one can name the other.
    window->winId();
    owner->winId();
    window->windowHandle()->setTransientParent(owner->windowHandle());
}

} // namespace transientwindow
