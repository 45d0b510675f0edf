#include "mpris/MprisRoot.h"

#include "mpris/RemotePlayer.h"

MprisRoot::MprisRoot(RemotePlayer &player, QObject *object)
    : QDBusAbstractAdaptor(object), m_player(player) {}

QString MprisRoot::identity() const {
    return QStringLiteral("zandoramp");
}

QString MprisRoot::desktopEntry() const {
    // The installed menu entry, zandoramp.desktop, without its suffix.
    return QStringLiteral("zandoramp");
}

QStringList MprisRoot::supportedUriSchemes() const {
    return {QStringLiteral("file")};
}

QStringList MprisRoot::supportedMimeTypes() const {
    // What the folder scan takes: mp3, wma and asf files and asx playlists.
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-ms-wma"),
            QStringLiteral("application/vnd.ms-asf"), QStringLiteral("video/x-ms-asf"),
            QStringLiteral("audio/x-ms-asx")};
}

bool MprisRoot::canRaise() const {
    return m_player.canRaise();
}

void MprisRoot::Raise() {
    m_player.raise();
}

void MprisRoot::Quit() {
    m_player.quit();
}
