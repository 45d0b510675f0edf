#include "tray/LibraryMenu.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QListView>
#include <QTimer>

LibraryMenu::LibraryMenu(QListView *list, QTimer *tmrMenu, std::function<void()> popUp,
                         QObject *parent)
    : QObject(parent), m_list(list), m_tmrMenu(tmrMenu), m_popUp(std::move(popUp)) {
    connect(m_tmrMenu, &QTimer::timeout, this, &LibraryMenu::tmrMenu_Timer);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LibraryMenu::lstSong_Click);
    m_list->viewport()->installEventFilter(this);
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
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress) {
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
