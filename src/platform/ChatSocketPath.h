#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Where the chat room's socket lives, and whose it is. The path is "aim_chatwnd" in the user's
// runtime folder when XDG_RUNTIME_DIR names the user's own private folder, otherwise
// /tmp/aim_chatwnd-<uid>. The player and the room compute it the same way, so each finds the
// other without configuration. /tmp is shared by every user, so both ends also check that the
// file and the process at the other end belong to their own user before they trust either.
class ChatSocketPath {
public:
    // For this process: its XDG_RUNTIME_DIR and its real user id.
    static QString current();
    // For the given runtime folder (empty when unset) and user id. A relative runtime folder is
    // taken from the working folder; QLocalServer would otherwise read a relative name as a name
    // inside the temporary folder. A runtime folder that is not private to the user counts as
    // unset: anyone who can write there could put a room of their own in place.
    static QString forEnvironment(const QString &runtimeDir, uint uid);
    // A folder owned by uid that nobody else can enter or write (mode 0700).
    static bool isPrivateFolder(const QString &folder, uint uid);

    // The user id this process's files and sockets are made with.
    static uint ownUserId();
    // The owner of the file at path itself (a symbolic link is not followed); nothing when there
    // is no file.
    static std::optional<uint> ownerOf(const QString &path);
    // The user id of the process at the other end of a connected local socket; nothing when the
    // system does not tell.
    static std::optional<uint> peerUserId(qintptr socketDescriptor);
    // "name (uid N)", or "uid N" when the account has no name, for messages.
    static QString describeUser(uint uid);
};
