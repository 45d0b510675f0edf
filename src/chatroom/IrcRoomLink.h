#pragma once

#include "chatroom/irc/IrcOwnerMask.h"

#include <QObject>
#include <QString>

class ChatRoom;
class IrcClient;

// Makes a ChatRoom the local face of an IRC channel: every message in the channel becomes a
// transcript line under its sender's nick, and every line of the room's own user (from the
// player or typed in the window) goes to the channel, shown once it has gone out. The room's
// user name is the client's nick. With an owner mask only the owner's messages and the room's
// own reach the transcript the player reads; the rest is only shown, and a message that claims
// the owner's nick without being the owner is shown under "nick (unverified)".
class IrcRoomLink : public QObject {
    Q_OBJECT
public:
    IrcRoomLink(ChatRoom *room, IrcClient *client, const IrcOwnerMask &owner = {},
                QObject *parent = nullptr);

signals:
    // A line of the room's user could not wait for the channel: the queue is full.
    void lineRefused(const QString &reason);

private:
    QString sendToChannel(const QString &html);
    void showMessage(const QByteArray &source, const QString &account, const QByteArray &text);

    ChatRoom *m_room;
    IrcClient *m_client;
    IrcOwnerMask m_owner;
};
