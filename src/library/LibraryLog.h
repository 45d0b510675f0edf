#pragma once

#include <QLoggingCategory>

// The library's lines on stderr ("zandoramp.library: ..."): files a scan left out.
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)
