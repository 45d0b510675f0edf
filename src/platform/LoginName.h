#pragma once

#include <QString>

// Login names from the password database. The chat room names its own user with the current
// one, and the player, to obey that user from the start.
class LoginName {
public:
    // The current user's name (USER where the database has none).
    static QString current();
    // The name of the user with this id; empty when the database has none.
    static QString forUser(uint uid);
};
