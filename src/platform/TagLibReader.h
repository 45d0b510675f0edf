#pragma once

#include "platform/TagReader.h"

// Tags and audio facts through TagLib. Keeps no state, so any number of threads may read at
// once; each call opens the file once and closes it before returning.
class TagLibReader : public TagReader {
public:
    TagLibReader();

    MediaTags readTags(const QString &path) const override;
    MediaFacts readFacts(const QString &path) const override;
};
