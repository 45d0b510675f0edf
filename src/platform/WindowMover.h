#pragma once

class QWidget;

// Moving a top-level window with the pointer.
class WindowMover {
public:
    virtual ~WindowMover() = default;
    // Asks the window system to move `window` with the pointer until the button held now is
    // released. False where the program places its windows itself, so that the drag moves it.
    virtual bool startSystemMove(QWidget *window) = 0;
};
