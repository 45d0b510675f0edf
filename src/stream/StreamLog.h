#pragma once

#include <QLoggingCategory>

// The stream's own lines on stderr ("zandoramp.stream: ..."): a port in use, an Icecast server
// that refuses the source, and, as debug lines, what FFmpeg warns of while decoding.
Q_DECLARE_LOGGING_CATEGORY(lcStream)
