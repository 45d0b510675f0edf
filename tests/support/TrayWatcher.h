#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

// A StatusNotifier watcher with a host, as a desktop's tray bar (KDE Plasma, waybar, swaybar)
// puts on the session bus: the items that register with it are kept in `items`.
class TrayWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    // Registers on `bus`; `registered` tells whether it could.
    explicit TrayWatcher(QDBusConnection bus);
    ~TrayWatcher() override;

    bool registered = false;
    QStringList items;

    bool hostRegistered() const { return true; }
    QStringList registeredItems() const { return items; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString &service);
    void RegisterStatusNotifierHost(const QString &) {}

signals:
    void StatusNotifierItemRegistered(const QString &service);

private:
    QDBusConnection m_bus;
};
