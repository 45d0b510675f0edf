#pragma once

#include <QLoggingCategory>

// What the player tells on stderr: a settings file that could not be written, a stream that
// could not start, and, without a window, whatever would otherwise open a box. Its lines read
// "zandoramp: ..." under Qt's default message pattern. The other parts log under categories of
// their own below it ("zandoramp.audio", "zandoramp.mpris", "zandoramp.stream").
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
