#pragma once

#include "chatroom/mumble/MumbleFrames.h"
#include "chatroom/mumble/MumbleRoster.h"
#include "chatroom/net/RoomNetwork.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// What a Mumble server says, read from the bytes of the control connection: the messages cut out
// (MumbleFrames) and parsed (protobuf), the server's channels and users kept (MumbleRoster), and
// what the room must act on reported. It writes nothing: MumbleClient answers.
class MumbleReader : public QObject {
    Q_OBJECT
public:
    // The message types the room knows.
    enum Type : quint16 {
        Version = 0,
        UDPTunnel = 1,
        Authenticate = 2,
        Ping = 3,
        Reject = 4,
        ServerSync = 5,
        ChannelRemove = 6,
        ChannelState = 7,
        UserRemove = 8,
        UserState = 9,
        TextMessage = 11,
        PermissionDenied = 12,
        CodecVersion = 21,
        ServerConfig = 24,
    };
    // The server's defaults, until it says otherwise.
    static constexpr quint32 defaultBandwidth = 72000;
    static constexpr quint32 defaultMessageLength = 5000;
    // Reject's types for a name someone else is using, and for a name registered to a
    // certificate the client does not have.
    static constexpr int usernameInUse = 5;
    static constexpr int wrongUserPassword = 3;

    explicit MumbleReader(const QString &owner, QObject *parent = nullptr);

    // A new connection: nothing known.
    void clear();
    void read(const QByteArray &bytes);

    const MumbleRoster &roster() const { return m_roster; }
    // The room's own session, once the server has synced; 0 before.
    quint32 session() const { return m_session; }
    bool synced() const { return m_synced; }
    quint32 maxBandwidth() const { return m_maxBandwidth; }
    quint32 messageLength() const { return m_messageLength; }
    // The room's own state, once known.
    const MumbleRoster::User *self() const;

signals:
    // The sign-on is done: the room's own session is known, with every channel and user.
    void serverSynced();
    // The server refused the sign-on and is closing the connection.
    void rejected(int type, const QString &reason);
    void channelsChanged();
    // A user came or changed (the room's own user included).
    void userChanged(quint32 session);
    void userRemoved(quint32 session, quint32 actor, const QString &reason, bool ban);
    // A text message, as one line of plain text. `toRoomAlone`: sent to the room's user only.
    void textArrived(const QString &name, const QString &text, RoomNetwork::Sender sender,
                     bool toRoomAlone);
    void permissionDenied(int type, quint32 permission, quint32 channel, const QString &reason);
    // A tunnelled voice packet, as the server forwarded it.
    void voiceArrived(const QByteArray &packet);
    // The stream is not Mumble's (a message too long to be one): the connection is useless.
    void broken();

private:
    void handle(quint16 type, const QByteArray &payload);

    MumbleFrames m_frames;
    MumbleRoster m_roster;
    quint32 m_session = 0;
    bool m_synced = false;
    quint32 m_maxBandwidth = defaultBandwidth;
    quint32 m_messageLength = defaultMessageLength;
};
