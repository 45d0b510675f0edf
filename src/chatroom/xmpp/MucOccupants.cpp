#include "chatroom/xmpp/MucOccupants.h"

MucOccupants::MucOccupants(const QString &ownerJid) : m_owner(bare(ownerJid)) {
    if (!m_owner.isEmpty() && m_owner.contains(QLatin1Char('@')))
        m_ownerNicks.insert(m_owner.left(m_owner.indexOf(QLatin1Char('@'))));
}

void MucOccupants::arrived(const QString &nick, const QString &realJid) {
    const QString jid = bare(realJid);
    m_realJids.insert(nick, jid);
    if (!m_owner.isEmpty() && jid == m_owner)
        m_ownerNicks.insert(nick.toLower());
}

void MucOccupants::left(const QString &nick) {
    m_realJids.remove(nick);
}

void MucOccupants::clear() {
    m_realJids.clear();
}

RoomNetwork::Sender MucOccupants::sender(const QString &nick, const QString &ownNick) const {
    // The service gives no one else the room's nick while the room holds it.
    if (nick == ownNick)
        return RoomNetwork::Sender::Own;
    if (m_owner.isEmpty())
        return RoomNetwork::Sender::Other;
    if (m_realJids.value(nick) == m_owner)
        return RoomNetwork::Sender::Owner;
    return m_ownerNicks.contains(nick.toLower()) ? RoomNetwork::Sender::Impostor
                                                 : RoomNetwork::Sender::Other;
}

QString MucOccupants::bare(const QString &jid) {
    const qsizetype slash = jid.indexOf(QLatin1Char('/'));
    return (slash < 0 ? jid : jid.left(slash)).toLower();
}

QString MucOccupants::resource(const QString &jid) {
    const qsizetype slash = jid.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : jid.mid(slash + 1);
}
