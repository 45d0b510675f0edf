#pragma once

#include <QString>

// Where the settings file lives. A copy of the program in a folder of its own (the build folder,
// a portable copy) keeps it beside the executable, as it always has; an installed program cannot
// write there, so its settings go to the user's configuration folder.
class SettingsFolder {
public:
    // The folder for a program whose executable is in `programFolder`; nothing is created.
    static QString forProgram(const QString &programFolder);
    // The same folder, created when missing (a failure shows later, when the settings are saved).
    static QString prepare(const QString &programFolder);
    // The user's configuration folder for this program.
    static QString userFolder();
    // True when the program may keep its settings in `folder`: it can be written, and it is not
    // a system folder, unless the settings already live there.
    static bool holdsSettings(const QString &folder);
};
