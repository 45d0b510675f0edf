#pragma once

#include "chatroom/net/RoomNetwork.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

namespace mumbleproto {
class UserState;
}

// Who and what is on a Mumble server, as its ChannelState and UserState messages tell: each
// channel's name, and each user's name, registration, certificate hash, channel and whether the
// server lets them speak. It tells the owner's messages from everyone else's: with a 40-hex SHA-1
// the owner is whoever holds that certificate, and anyone else under a name the owner was seen
// with is an impostor; with a name, the owner is the user of that name while the server shows
// them as registered (the server gives a registered name to nobody else), and an unregistered
// user of that name is an impostor.
class MumbleRoster {
public:
    struct User {
        QString name;
        bool registered = false;
        QString hash; // lower-case hex
        quint32 channel = 0;
        bool mute = false; // by an admin, or deafened
        bool suppress = false;
        bool selfMute = false;
    };

    explicit MumbleRoster(const QString &owner = {});

    // True for 40 hex digits: the owner is a certificate, not a name.
    static bool isHash(const QString &owner);

    void clear();
    void updateUser(const mumbleproto::UserState &state);
    void removeUser(quint32 session);
    const User *user(quint32 session) const;
    const QHash<quint32, User> &users() const { return m_users; }
    void updateChannel(quint32 id, const std::optional<QString> &name);
    void removeChannel(quint32 id);
    // The channel of that name (the exact spelling first, then in any case).
    std::optional<quint32> channelNamed(const QString &name) const;
    QString channelName(quint32 id) const;
    qsizetype userCount() const { return m_users.size(); }
    qsizetype channelCount() const { return m_channels.size(); }

    RoomNetwork::Sender sender(quint32 session, quint32 ownSession) const;

private:
    QString m_owner; // a hash in lower case, or a name
    bool m_ownerIsHash = false;
    QHash<quint32, User> m_users;
    QHash<quint32, QString> m_channels;
    QSet<QString> m_ownerNames; // lower-cased, with a hash owner
};
