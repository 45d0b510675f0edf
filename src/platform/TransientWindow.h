#pragma once

class QWidget;

namespace transientwindow {

// Makes `window`, a window of its own, the transient window of `owner`: the window manager places
// it over the owner and keeps it in front of it. It is not the owner's child, so it stays usable
// while the owner is disabled (as the credits window disables the main window).
void placeOver(QWidget *window, QWidget *owner);

} // namespace transientwindow
