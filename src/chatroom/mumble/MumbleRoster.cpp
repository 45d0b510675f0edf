#include "chatroom/mumble/MumbleRoster.h"

#include "MumbleMessages.pb.h"
#include "chatroom/mumble/MumbleText.h"

namespace {

// The highest number a user_id holds: what a server sends for a user no longer registered.
constexpr quint32 kNotRegistered = 0xFFFFFFFF;
// Enough for any real server; a hostile one cannot make the room keep more.
constexpr qsizetype kMostUsers = 100000;
constexpr qsizetype kMostChannels = 100000;

} // namespace

MumbleRoster::MumbleRoster(const QString &owner)
    : m_owner(isHash(owner) ? owner.toLower() : owner), m_ownerIsHash(isHash(owner)) {}

bool MumbleRoster::isHash(const QString &owner) {
    if (owner.size() != 40)
        return false;
    for (const QChar c : owner) {
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return false;
    }
    return true;
}

void MumbleRoster::clear() {
    m_users.clear();
    m_channels.clear();
}

void MumbleRoster::updateUser(const mumbleproto::UserState &state) {
    if (!state.has_session())
        return;
    const auto found = m_users.find(state.session());
    if (found == m_users.end() && m_users.size() >= kMostUsers)
        return;
    User &user = found != m_users.end() ? *found : m_users[state.session()];
    if (state.has_name()) {
        // No name holds control characters, and the player drops a CR from a speaker's name
        // before it compares: "ali\rce" would be checked as someone else and obeyed as alice.
        // The name shown is the name checked.
        user.name = MumbleText::fromField(state.name());
        user.name.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    }
    if (state.has_user_id())
        user.registered = state.user_id() != kNotRegistered;
    if (state.has_hash())
        user.hash = MumbleText::fromField(state.hash()).toLower();
    if (state.has_channel_id())
        user.channel = state.channel_id();
    if (state.has_mute())
        user.mute = state.mute();
    if (state.has_deaf() && state.deaf())
        user.mute = true; // deafened by an admin implies muted
    if (state.has_suppress())
        user.suppress = state.suppress();
    if (state.has_self_mute())
        user.selfMute = state.self_mute();
    if (m_ownerIsHash && user.hash == m_owner && !user.name.isEmpty() && m_ownerNames.size() < 100)
        m_ownerNames.insert(user.name.toLower());
}

void MumbleRoster::removeUser(quint32 session) {
    m_users.remove(session);
}

const MumbleRoster::User *MumbleRoster::user(quint32 session) const {
    const auto found = m_users.constFind(session);
    return found == m_users.constEnd() ? nullptr : &*found;
}

void MumbleRoster::updateChannel(quint32 id, const std::optional<QString> &name) {
    if (!m_channels.contains(id) && m_channels.size() >= kMostChannels)
        return;
    QString &known = m_channels[id];
    if (name)
        known = *name;
}

void MumbleRoster::removeChannel(quint32 id) {
    m_channels.remove(id);
}

std::optional<quint32> MumbleRoster::channelNamed(const QString &name) const {
    std::optional<quint32> anyCase;
    for (auto it = m_channels.constBegin(); it != m_channels.constEnd(); ++it) {
        if (it.value() == name)
            return it.key();
        if (!anyCase && it.value().compare(name, Qt::CaseInsensitive) == 0)
            anyCase = it.key();
    }
    return anyCase;
}

QString MumbleRoster::channelName(quint32 id) const {
    return m_channels.value(id);
}

RoomNetwork::Sender MumbleRoster::sender(quint32 session, quint32 ownSession) const {
    using Sender = RoomNetwork::Sender;
    if (session == ownSession)
        return Sender::Own;
    const User *from = user(session);
    if (m_owner.isEmpty() || !from)
        return Sender::Other;
    if (m_ownerIsHash) {
        if (from->hash == m_owner)
            return Sender::Owner;
        return m_ownerNames.contains(from->name.toLower()) ? Sender::Impostor : Sender::Other;
    }
    if (from->name.compare(m_owner, Qt::CaseInsensitive) != 0)
        return Sender::Other;
    return from->registered ? Sender::Owner : Sender::Impostor;
}
