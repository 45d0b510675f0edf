#pragma once

#include <QString>

// Starts our own chat room beside the player, as a start from the desktop's menu needs: the room
// is a program of its own, found beside the player's executable, and outlives the player.
class RoomLauncher {
public:
    // A room beside a player without a window runs without its own, its window's lines on the
    // player's stderr (a server's log).
    enum class Window { Shown, None };

    // Starts `program` when no room answers on this user's socket, then waits (at most
    // `timeoutMs`) until it answers, so that the player's greeting reaches it. True when this
    // call started the room.
    static bool startIfNone(const QString &program, Window window = Window::Shown,
                            int timeoutMs = 3000);
    // The name under which the room on `socketPath` (this user's usual one when empty) speaks
    // for its own user, as the room says it. A room that cannot say (none answers, or one older
    // than the question) is taken to speak under the account's login name, as ours does until
    // its user is renamed.
    static QString roomUserName(const QString &socketPath = {});
};
