#pragma once

#include "chatroom/net/RoomNetwork.h"

#include <QObject>
#include <QString>

class ChatRoom;

// Makes a ChatRoom the local face of a network's group chat (an IRC channel, an XMPP room):
// every message there becomes a transcript line under its sender's nick, and every line of the
// room's own user (from the player or typed in the window) goes to the group chat, shown once it
// has gone out. The room's user name is the network's nick for it. When the network can tell the
// owner, only the owner's messages and the room's own reach the transcript the player reads; the
// rest is only shown, and a message that claims the owner's name without being the owner is shown
// under "nick (unverified)".
class NetworkRoomLink : public QObject {
    Q_OBJECT
public:
    NetworkRoomLink(ChatRoom *room, RoomNetwork *network, QObject *parent = nullptr);

signals:
    // A line of the room's user could not wait for the group chat: the queue is full.
    void lineRefused(const QString &reason);

private:
    QString sendToNetwork(const QString &html);
    void showMessage(const QString &nick, const QString &text, bool action,
                     RoomNetwork::Sender sender);

    ChatRoom *m_room;
    RoomNetwork *m_network;
};
