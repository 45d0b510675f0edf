#pragma once

#include <QWidget>

class QAction;
class QMenu;

// frmx: a window that is never shown and only owns the program's three pop-up menus: the library
// menu (lstClick), the tray menu (trayC) and the options menu (mnuopt). Every item is a QAction
// whose objectName is the item's name, so the main window connects to the ones that act.
class MenuForm : public QWidget {
    Q_OBJECT
public:
    explicit MenuForm(QWidget *parent = nullptr);

    QMenu *lstClick() const { return m_lstClick; }
    QMenu *trayC() const { return m_trayC; }
    QMenu *mnuopt() const { return m_mnuopt; }
    // The item of that name, from any of the three menus.
    QAction *item(const QString &name) const;

private:
    QMenu *m_lstClick;
    QMenu *m_trayC;
    QMenu *m_mnuopt;
};
