#include "tray/TrayControl.h"

#include "platform/ProductNames.h"
#include "platform/TrayShell.h"
#include "platform/Twips.h"
#include "session/Session.h"
#include "tray/MenuForm.h"
#include "tray/TrayHost.h"
#include "tray/TrayNotice.h"

#include <QAction>
#include <QWidget>

TrayControl::TrayControl(TrayHost &host, TrayShell &shell, QObject *parent)
    : QObject(parent), m_host(host), m_shell(shell), m_noticeTickMs(TrayNotice::kTickMs) {}

TrayControl::~TrayControl() {
    delete m_notice.data();
}

void TrayControl::sendToTray() {
    // Without a notification area, hidden without an icon, the window could never be reached
    // again: it stays shown, and the notice would not be true.
    if (!m_shell.trayAvailable() ||
        !m_shell.addIcon(m_host.mainWidget(), QString::fromLatin1(product::kTrayTip),
                         m_host.frmx()->trayC(),
                         [this](int message) { mouseMove(message * twips::kPerPixel); })) {
        if (!m_toldNoTray) {
            m_toldNoTray = true;
            m_host.tell(QStringLiteral("This desktop has no notification area, so %1 stays in its "
                                       "window.")
                            .arg(product::name()));
        }
        return;
    }
    if (m_host.session().settings().trayNoticeWanted() && !m_notice) {
        m_notice = new TrayNotice(m_noticeTickMs);
        connect(m_notice, &TrayNotice::unloaded, this, [this](bool dontShowAgain) {
            if (dontShowAgain)
                m_host.session().settings().dismissTrayNotice();
        });
        m_notice->show();
    }
    m_host.mainWidget()->hide();
    MenuForm *form = m_host.frmx();
    form->item(QStringLiteral("ecs"))->setChecked(m_host.session().chatScanOn());
    form->item(QStringLiteral("ecs2"))->setChecked(m_host.session().chatSendsOn());
    form->item(QStringLiteral("tauto"))->setChecked(m_host.session().autoRandomOn());
}

void TrayControl::showWindow() {
    QWidget *window = m_host.mainWidget();
    window->show();
    // Shown alone, the window comes back wherever it was in the stack, often behind the window
    // the user was in when they chose "Show".
    window->raise();
    window->activateWindow();
    m_host.session().settings().setStartInTray(false);
    m_shell.removeIcon();
}

void TrayControl::raiseWindow() {
    QWidget *window = m_host.mainWidget();
    // Hidden means in the tray: back as "Show" brings it.
    if (window->isHidden())
        showWindow();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

SessionRemote::View TrayControl::remoteView() {
    const QPointer<TrayControl> self(this);
    return {[self] {
                if (self)
                    self->raiseWindow();
            },
            [self] {
                if (self)
                    self->unload();
            }};
}

void TrayControl::unload() {
    m_host.session().settings().setStartInTray(true);
    m_host.closeProgram();
}

void TrayControl::mouseMove(int xTwips) {
    // The same single-precision division the icon's message went through to arrive here.
    const float message = float(xTwips) / float(twips::kPerPixel);
    if (message != float(kLeftButtonUp))
        return;
    // Opened without waiting for it: the icon's report may be a tray host's call that waits for
    // its answer. Where our menu cannot open at the icon, the tray host shows it there itself,
    // and the click brings the window back as "Show" does.
    if (m_shell.menuAtPointer())
        m_host.openMenu(m_host.frmx()->trayC());
    else
        showWindow();
}

void TrayControl::connectMenu(MenuForm *form) {
    connect(form->item(QStringLiteral("tshow")), &QAction::triggered, this,
            &TrayControl::showWindow);
    connect(form->item(QStringLiteral("mUnload")), &QAction::triggered, this, &TrayControl::unload);
    // These marks only mirror the window's switches; choosing one changes nothing, its mark
    // included.
    for (const char *name : {"ecs", "ecs2", "tauto"}) {
        QAction *mark = form->item(QString::fromLatin1(name));
        connect(mark, &QAction::triggered, mark,
                [mark](bool checked) { mark->setChecked(!checked); });
    }
}

void TrayControl::closeNotice() {
    if (m_notice)
        m_notice->close();
}
