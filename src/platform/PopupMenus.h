#pragma once

class QMenu;

// Pop-up menus at the pointer.
class PopupMenus {
public:
    virtual ~PopupMenus() = default;
    // Shows the menu and returns when it has closed.
    virtual void popUp(QMenu *menu) = 0;
    // Shows the menu and returns at once; its items act through their own connections.
    virtual void open(QMenu *menu) = 0;
};
