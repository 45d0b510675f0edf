#pragma once

#include <QString>

// Where the chat room's socket lives: "aim_chatwnd" in the user's runtime folder when
// XDG_RUNTIME_DIR names an existing folder, otherwise /tmp/aim_chatwnd-<uid>. The player and the
// room compute it the same way, so each finds the other without configuration.
class ChatSocketPath {
public:
    // For this process: its XDG_RUNTIME_DIR and its real user id.
    static QString current();
    // For the given runtime folder (empty when unset) and user id. A relative runtime folder is
    // taken from the working folder; QLocalServer would otherwise read a relative name as a name
    // inside the temporary folder.
    static QString forEnvironment(const QString &runtimeDir, uint uid);
};
