#pragma once

#include <QString>

// Starts our own chat room beside the player, as a start from the desktop's menu needs: the room
// is a program of its own, found beside the player's executable, and outlives the player.
class RoomLauncher {
public:
    // Starts `program` when no room answers on this user's socket, then waits (at most
    // `timeoutMs`) until it answers, so that the player's greeting reaches it. True when this
    // call started the room.
    static bool startIfNone(const QString &program, int timeoutMs = 3000);
    // The name under which the room speaks for its own user: the login name of the account that
    // runs it, which is this one.
    static QString roomUserName();
};
