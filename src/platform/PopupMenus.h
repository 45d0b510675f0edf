#pragma once

class QMenu;

// Shows a pop-up menu at the pointer and returns when it has closed.
class PopupMenus {
public:
    virtual ~PopupMenus() = default;
    virtual void popUp(QMenu *menu) = 0;
};
