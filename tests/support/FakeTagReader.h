#pragma once

#include "platform/TagReader.h"

#include <QHash>

// Tags from a map instead of files: a path in the map reads as its facts (marked readable),
// any other path as an unreadable file with no tags. Fill it before handing it to threads.
class FakeTagReader : public TagReader {
public:
    QHash<QString, MediaFacts> files;

    // Adds a readable file.
    void add(const QString &path, const QString &artist, const QString &title, qint64 lengthMs = 0,
             int bitrate = 0);

    MediaTags readTags(const QString &path) const override;
    MediaFacts readFacts(const QString &path) const override;
};
