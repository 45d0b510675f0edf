#include "platform/QtTray.h"

#include <QWidget>

namespace {
constexpr int kMouseMove = 512;
constexpr int kLeftButtonUp = 514;
constexpr int kLeftButtonDoubleClick = 515;
constexpr int kRightButtonUp = 517;
constexpr int kMiddleButtonUp = 520;
} // namespace

bool QtTray::trayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTray::addIcon(QWidget *owner, const QString &tip, Notify notify) {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_notify = std::move(notify);
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (m_notify)
                        m_notify(mouseMessage(reason));
                });
    }
    m_icon->setIcon(owner ? owner->windowIcon() : QIcon());
    m_icon->setToolTip(tip);
    m_icon->show();
    return m_icon->isVisible();
}

void QtTray::removeIcon() {
    m_notify = nullptr;
    if (!m_icon)
        return;
    // Hidden at once, which takes the icon's window out of the tray host, and deleted from the
    // event loop: "Show" of the icon's own menu leads here while its activation is still running.
    m_icon->disconnect(this);
    m_icon->hide();
    m_icon->deleteLater();
    m_icon = nullptr;
}

int QtTray::mouseMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return kLeftButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return kLeftButtonDoubleClick;
    case QSystemTrayIcon::Context:
        return kRightButtonUp;
    case QSystemTrayIcon::MiddleClick:
        return kMiddleButtonUp;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return kMouseMove;
}
