#include "platform/QtWindowMover.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

bool QtWindowMover::startSystemMove(QWidget *window) {
    // Only Wayland keeps a client from placing its own windows; there the compositor moves the
    // window with the pointer. Elsewhere the program moves it itself, by exactly the pointer's
    // movement: under X11 Qt would hand the drag to the window manager (_NET_WM_MOVERESIZE),
    // which grabs the pointer, snaps to edges and keeps the window on screen as it likes.
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QWindow *handle = window->windowHandle();
    return handle && handle->startSystemMove();
}
