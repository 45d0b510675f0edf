#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcAudio)

// The sound libraries that libmpv tries in turn write their complaints straight to the terminal:
// on a machine without a sound device every song would print a screenful. This sends them to
// the debug log instead (category "zandoramp.audio", off unless enabled through
// QT_LOGGING_RULES), where a developer can still see them.
class AudioLibraryLog {
public:
    // Once, before any engine exists and before other threads could read the environment.
    static void routeToDebugLog();
};
