#pragma once

#include <QString>

class MenuForm;
class Session;
class QMenu;
class QWidget;

// What the tray needs of the main window.
class TrayHost {
public:
    virtual ~TrayHost() = default;

    virtual QWidget *mainWidget() = 0;
    // What the window shows: its switches, which the tray menu mirrors, and its settings, where
    // the tray keeps whether the window starts there and whether its notice is wanted.
    virtual Session &session() = 0;
    // The menu form, made on first use.
    virtual MenuForm *frmx() = 0;
    // Opens a menu at the pointer and returns at once.
    virtual void openMenu(QMenu *menu) = 0;
    // Ends the program through the close sequence, as the user's close.
    virtual void closeProgram() = 0;
    // Tells the user something short, with a box that waits for OK.
    virtual void tell(const QString &text) = 0;
};
