#include "platform/QtTray.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

namespace {
constexpr int kMouseMove = 512;
constexpr int kLeftButtonUp = 514;
constexpr int kLeftButtonDoubleClick = 515;
constexpr int kRightButtonUp = 517;
constexpr int kMiddleButtonUp = 520;
// A watcher that does not answer in this time is taken for none.
constexpr int kWatcherTimeoutMs = 2000;

// On X11 Qt's tray is the XEmbed one or a StatusNotifier host's, on Windows the shell's; on every
// other desktop (Wayland) it is a StatusNotifier host's alone, over the session bus.
bool statusNotifierOnly() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("xcb") && platform != QLatin1String("windows") &&
           platform != QLatin1String("cocoa");
}

// Whether a StatusNotifier host (KDE Plasma, GNOME's AppIndicator extension, waybar, swaybar) is
// there now, as its watcher on the session bus says.
bool statusNotifierHost() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage ask = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    ask.setAutoStartService(false);
    const QDBusMessage answer =
        QDBusConnection::sessionBus().call(ask, QDBus::Block, kWatcherTimeoutMs);
    return answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty() &&
           answer.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace

bool QtTray::trayAvailable() const {
    // Qt asks for a StatusNotifier host once in a process and keeps that first answer, so a host
    // that starts after a "no" would never be used. Where that host is the only tray its watcher
    // is asked here, at every Send to tray, and Qt only once one is there: its answer is then yes.
    if (statusNotifierOnly() && !statusNotifierHost())
        return false;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTray::addIcon(QWidget *owner, const QString &tip, QMenu *menu, Notify notify) {
    if (!trayAvailable())
        return false;
    m_notify = std::move(notify);
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        // Queued: a StatusNotifier host's Activate call waits for its answer until the handler
        // returns, and "Show" removes the very icon the call came to.
        connect(
            m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (m_notify)
                    m_notify(mouseMessage(reason));
            },
            Qt::QueuedConnection);
    }
    // A StatusNotifier host shows the menu beside its icon itself (Qt exports it over D-Bus). The
    // XEmbed tray and Windows' would open it at the right button, which opens nothing here.
    if (statusNotifierOnly())
        m_icon->setContextMenu(menu);
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

bool QtTray::menuAtPointer() const {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
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
