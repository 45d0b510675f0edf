#pragma once

#include <QObject>
#include <functional>

class QListView;
class QTimer;

// Decides when a Click of the library list opens the library menu (lstClick). The Click is a
// selection made by mouse, keyboard or code, or a click on the line that was already selected;
// focus alone moves the current index without selecting and opens nothing. Find holds the menu
// back (blnListMenu false) until tmrMenu's first tick, which comes after Find has finished.
class LibraryMenu : public QObject {
    Q_OBJECT
public:
    LibraryMenu(QListView *list, QTimer *tmrMenu, std::function<void()> popUp,
                QObject *parent = nullptr);

    bool armed() const { return blnListMenu; }
    // The load sequence arms it.
    void arm() { blnListMenu = true; }
    // Find: no menu until tmrMenu's first tick.
    void holdForFind();
    // lstSong's Click.
    void lstSong_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tmrMenu_Timer();

    QListView *m_list;
    QObject *m_viewport;
    QTimer *m_tmrMenu;
    std::function<void()> m_popUp;
    bool blnListMenu = false;
    int m_rowSelectedAtPress = -1;
};
