#include "PlayerBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

std::optional<PlayerBus::Track> PlayerBus::track() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.mpris.MediaPlayer2.zandoramp"),
        QStringLiteral("/org/mpris/MediaPlayer2"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.mpris.MediaPlayer2.Player") << QStringLiteral("Metadata");
    // The player answers from its one thread, which a sanitizer build under load keeps busy.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariantMap metadata =
        qdbus_cast<QVariantMap>(reply.arguments().first().value<QDBusVariant>().variant());
    Track track;
    const QString id =
        metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    track.number = id.section(QLatin1Char('/'), -1).toInt();
    track.url = metadata.value(QStringLiteral("xesam:url")).toString();
    return track;
}
