#pragma once

#include <QString>

// What a media file says about itself, read from its tags and headers without decoding audio.
struct MediaTags {
    QString artist; // ASF "Author" for wma/asf
    QString title;
};

struct MediaFacts {
    bool readable = false; // the file could be opened and recognised
    QString artist;
    QString title;
    qint64 lengthMs = 0;
    int bitrate = 0; // nominal, bits per second
};

// Reads tags of media files. Implementations must be safe to call from several threads at once:
// the folder scan reads tags on worker threads.
class TagReader {
public:
    virtual ~TagReader() = default;

    // Artist and title only (the fast path used by the folder scan).
    virtual MediaTags readTags(const QString &path) const = 0;
    // Tags plus length and nominal bit rate.
    virtual MediaFacts readFacts(const QString &path) const = 0;
};
