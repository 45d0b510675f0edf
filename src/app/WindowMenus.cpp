#include "app/WindowMenus.h"

#include "app/MainWindow.h"
#include "library/AllFormats.h"
#include "library/Library.h"
#include "session/Session.h"
#include "session/StreamFollower.h"
#include "tray/MenuForm.h"
#include "tray/TrayControl.h"

#include <QAction>
#include <QListView>
#include <QSignalBlocker>

WindowMenus::WindowMenus(MainWindow &window, Session &session, TrayControl &tray)
    : QObject(&window), m_window(window), m_session(session), m_tray(tray) {
    connect(&session, &Session::listenAlongChanged, this, [this](bool on) {
        if (!m_form)
            return;
        QAction *listen = m_form->item(QStringLiteral("mnuListen"));
        const QSignalBlocker quiet(listen);
        listen->setChecked(on);
    });
}

WindowMenus::~WindowMenus() {
    delete m_form;
}

MenuForm *WindowMenus::form() {
    if (m_form)
        return m_form;
    m_form = new MenuForm;
    const auto item = [this](const char *name) {
        return m_form->item(QString::fromLatin1(name));
    };
    MainWindow *w = &m_window;
    connect(item("mnuPlay"), &QAction::triggered, w, [this] {
        const int row = m_window.widgets().lstSong->currentIndex().row();
        m_window.playFile(m_session.library().displayLine(row));
    });
    connect(item("mnuAdd"), &QAction::triggered, w, &MainWindow::chameleonButton2_Click);
    connect(item("mnuChatSends"), &QAction::triggered, w, &MainWindow::mnuChatSends_Click);
    connect(item("mnuCmds"), &QAction::triggered, w, &MainWindow::chameleonButton6_Click);
    connect(item("mnuTray"), &QAction::triggered, w, &MainWindow::chameleonButton7_Click);
    connect(item("mnuCredits"), &QAction::triggered, w, &MainWindow::chameleonButton5_Click);
    item("mnuNoRepeats")->setChecked(m_session.settings().noRepeats());
    connect(item("mnuNoRepeats"), &QAction::toggled, this,
            [this](bool on) { m_session.settings().setNoRepeats(on); });
    item("mnuAllFormats")->setChecked(m_session.allFormats().isOn());
    connect(item("mnuAllFormats"), &QAction::toggled, &m_session.allFormats(), &AllFormats::setOn);
    item("mnuListen")->setChecked(m_session.stream().isOn());
    connect(item("mnuListen"), &QAction::toggled, &m_session.stream(), &StreamFollower::setOn);
    m_tray.connectMenu(m_form);
    return m_form;
}

MenuForm *WindowMenus::existing() const {
    return m_form;
}

void WindowMenus::close() {
    // One of its menus may be the one whose item led here.
    if (m_form)
        m_form->deleteLater();
    m_form = nullptr;
}
