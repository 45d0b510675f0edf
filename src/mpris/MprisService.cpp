#include "mpris/MprisService.h"

#include "mpris/MprisPlayer.h"
#include "mpris/MprisRoot.h"
#include "mpris/RemotePlayer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QLoggingCategory>
#include <QMetaProperty>

namespace {

// Shown on request only, like the audio log: a console without a bus is no fault.
Q_LOGGING_CATEGORY(lcMpris, "zandoramp.mpris", QtInfoMsg)

// Every readable property of the adaptor but Position: desktops ask for the position when they
// need it and count on it moving by itself, so it is never announced.
QVariantMap readProperties(const QObject &adaptor) {
    QVariantMap values;
    const QMetaObject *meta = adaptor.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (qstrcmp(property.name(), "Position") != 0)
            values.insert(QString::fromLatin1(property.name()), property.read(&adaptor));
    }
    return values;
}

} // namespace

MprisService::MprisService(RemotePlayer &player, QObject *parent)
    : QObject(parent), m_root(new MprisRoot(player, this)), m_player(new MprisPlayer(player, this)),
      m_bus(QString()) {
    connect(&player, &RemotePlayer::changed, this, &MprisService::publishChanges);
}

MprisService::~MprisService() {
    if (m_serviceName.isEmpty())
        return;
    m_bus.unregisterObject(QString::fromLatin1(kPath));
    m_bus.unregisterService(m_serviceName);
}

bool MprisService::registerOn(QDBusConnection bus) {
    if (!bus.isConnected()) {
        qCDebug(lcMpris, "No session bus, so no desktop media controls: %s",
                qPrintable(bus.lastError().message()));
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kPath), this)) {
        qCDebug(lcMpris, "%s is taken on the session bus, so no desktop media controls", kPath);
        return false;
    }
    m_bus = bus;
    QString name = QString::fromLatin1(kName);
    if (!m_bus.registerService(name)) {
        // Another copy of the player holds the name; a second copy takes a name of its own.
        name += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!m_bus.registerService(name)) {
            qCDebug(lcMpris, "Neither MPRIS name could be taken: %s",
                    qPrintable(m_bus.lastError().message()));
            m_bus.unregisterObject(QString::fromLatin1(kPath));
            return false;
        }
    }
    m_serviceName = name;
    m_announced = readProperties(*m_player);
    return true;
}

void MprisService::publishChanges() {
    if (m_serviceName.isEmpty())
        return;
    const QVariantMap now = readProperties(*m_player);
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_announced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_announced = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus.send(signal);
}
