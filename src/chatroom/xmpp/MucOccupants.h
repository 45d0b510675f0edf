#pragma once

#include "chatroom/net/RoomNetwork.h"

#include <QHash>
#include <QSet>
#include <QString>

// Who is in an XMPP group chat, as its presences tell: each occupant's nick and, where the room
// shows it, the real (bare) JID behind it. A message is the owner's only when the room showed the
// owner's real JID for its sender's nick; anyone else using a nick the owner goes by (the one the
// owner was last seen with, or the JID's own name) is an impostor. A nick alone is never trusted.
class MucOccupants {
public:
    explicit MucOccupants(const QString &ownerJid = {});

    // An occupant came in or changed; `realJid` is empty when the room hides it.
    void arrived(const QString &nick, const QString &realJid);
    void left(const QString &nick);
    void clear();

    RoomNetwork::Sender sender(const QString &nick, const QString &ownNick) const;

    // "alice@example.org/home" -> "alice@example.org", lower-cased as XMPP compares them.
    static QString bare(const QString &jid);
    static QString resource(const QString &jid);

private:
    QString m_owner;
    QHash<QString, QString> m_realJids; // nick -> bare JID, empty when hidden
    QSet<QString> m_ownerNicks;         // lower-cased
};
