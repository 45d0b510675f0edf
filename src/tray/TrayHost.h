#pragma once

#include <QString>

class MenuForm;
class QMenu;
class QWidget;

// What the tray needs of the main window.
class TrayHost {
public:
    virtual ~TrayHost() = default;

    virtual QWidget *mainWidget() = 0;
    virtual QString GetSetting(const QString &setting) const = 0;
    virtual void SetSetting(const QString &name, const QString &setting, bool multi = false) = 0;
    // The menu form, made on first use.
    virtual MenuForm *frmx() = 0;
    // Opens a menu at the pointer and returns at once.
    virtual void openMenu(QMenu *menu) = 0;
    // Ends the program through the close sequence, as the user's close.
    virtual void closeProgram() = 0;
    // The three switches the tray menu mirrors: Chat Scan, Chat Sends, Auto Random.
    virtual bool chatScanChecked() const = 0;
    virtual bool chatSendsChecked() const = 0;
    virtual bool autoRandomChecked() const = 0;
    // Tells the user something short, with a box that waits for OK.
    virtual void tell(const QString &text) = 0;
};
