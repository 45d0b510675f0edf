#include "support/FakeTagReader.h"

void FakeTagReader::add(const QString &path, const QString &artist, const QString &title,
                        qint64 lengthMs, int bitrate) {
    MediaFacts facts;
    facts.readable = true;
    facts.artist = artist;
    facts.title = title;
    facts.lengthMs = lengthMs;
    facts.bitrate = bitrate;
    files.insert(path, facts);
}

MediaTags FakeTagReader::readTags(const QString &path) const {
    const MediaFacts facts = files.value(path);
    return MediaTags{facts.artist, facts.title};
}

MediaFacts FakeTagReader::readFacts(const QString &path) const {
    MediaFacts facts = files.value(path);
    return facts;
}
