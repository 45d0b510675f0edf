#pragma once

#include <QString>

// The user's login name, as the password database has it (USER where there is none). The chat
// room names its own user with it, and the player, to obey that user from the start.
class LoginName {
public:
    static QString current();
};
