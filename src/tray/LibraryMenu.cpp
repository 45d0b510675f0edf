#include "tray/LibraryMenu.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QListView>
#include <QTimer>

LibraryMenu::LibraryMenu(QListView *list, QTimer *tmrMenu, std::function<void()> popUp,
                         QObject *parent)
    : QObject(parent), m_list(list), m_viewport(list->viewport()), m_tmrMenu(tmrMenu),
      m_popUp(std::move(popUp)) {
    connect(m_tmrMenu, &QTimer::timeout, this, &LibraryMenu::tmrMenu_Timer);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LibraryMenu::lstSong_Click);
    m_viewport->installEventFilter(this);
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex &index) {
        if (index.row() == m_rowSelectedAtPress)
            lstSong_Click();
    });
}

void LibraryMenu::holdForFind() {
    blnListMenu = false;
    // Switching on a timer that is already on leaves its countdown running.
    if (!m_tmrMenu->isActive())
        m_tmrMenu->start();
}

void LibraryMenu::tmrMenu_Timer() {
    blnListMenu = true;
    m_tmrMenu->stop();
}

bool LibraryMenu::eventFilter(QObject *watched, QEvent *event) {
    // The type first: the filter also hears the viewport's last events while the list is being
    // destroyed, when the list may no longer be asked anything.
    if (event->type() == QEvent::MouseButtonPress && watched == m_viewport) {
        const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
        m_rowSelectedAtPress = selected.isEmpty() ? -1 : selected.first().row();
    }
    return QObject::eventFilter(watched, event);
}

void LibraryMenu::lstSong_Click() {
    if (!blnListMenu)
        return;
    // The menu opens once the selection has settled, never inside the list's own mouse handling.
    QTimer::singleShot(0, this, [this] { m_popUp(); });
}
