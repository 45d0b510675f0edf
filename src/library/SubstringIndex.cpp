#include "library/SubstringIndex.h"

#include <cstring>

namespace {

const char16_t *unitsOf(QStringView text) {
    return reinterpret_cast<const char16_t *>(text.utf16());
}

} // namespace

SubstringIndex::SubstringIndex() = default;
SubstringIndex::~SubstringIndex() = default;

quint64 SubstringIndex::longKey(const char16_t *at) {
    // The 8 units are 16 bytes: two unaligned loads, mixed down to 64 bits. A collision merges
    // two grams' lists, which costs a confirmation and nothing else.
    quint64 low = 0;
    quint64 high = 0;
    std::memcpy(&low, at, sizeof low);
    std::memcpy(&high, at + 4, sizeof high);
    quint64 h = low * 0xC2B2AE3D27D4EB4Full;
    h ^= (high + 0x165667B19E3779F9ull) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 31;
    return h;
}

quint64 SubstringIndex::shortKey(const char16_t *at) {
    // 4 units fit a key exactly.
    quint64 key = 0;
    std::memcpy(&key, at, sizeof key);
    return key;
}

void SubstringIndex::add(const QString &line) {
    m_lines.push_back(line);
    // The QString just stored owns the text every view below points into; QString data never
    // moves while the string lives unchanged, even when the vector reallocates.
    const QStringView text(m_lines.back());
    const qsizetype firstSlash = text.indexOf(QLatin1Char('/'));
    if (firstSlash < 0) {
        addSegment(text);
        return;
    }
    const qsizetype lastSlash = text.lastIndexOf(QLatin1Char('/'));
    const QStringView first = text.first(firstSlash);
    const QStringView last = text.sliced(lastSlash + 1);
    addSegment(first);

    // A file directly in "/" has one slash and no middle at all.
    const QStringView middle = lastSlash > firstSlash
                                   ? text.sliced(firstSlash + 1, lastSlash - firstSlash - 1)
                                   : QStringView();
    if (lastSlash > firstSlash && middle != m_previousMiddle) {
        m_previousMiddle = middle;
        qsizetype start = firstSlash + 1;
        while (start <= lastSlash) {
            const qsizetype end = text.indexOf(QLatin1Char('/'), start);
            const QStringView segment = text.sliced(start, end - start);
            if (!m_folderSegments.contains(segment)) {
                m_folderSegments.insert(segment);
                addSegment(segment);
            }
            start = end + 1;
        }
    }
    // A path line ends with the file name it begins with; that last segment is then already
    // inside the first.
    if (!first.startsWith(last))
        addSegment(last);
}

void SubstringIndex::addSegment(QStringView text) {
    const auto id = qint32(m_segments.size());
    m_segments.push_back({unitsOf(text), qint32(text.size())});
    indexSegment(id, m_long);
    if (m_shortBuilt)
        indexSegment(id, m_short);
}

void SubstringIndex::keptGrams(QStringView text, const Grams &grams) const {
    m_kept.clear();
    const qsizetype count = text.size() - grams.gram + 1;
    const qsizetype runs = count - grams.run + 1;
    if (runs <= 0)
        return;
    const char16_t *units = unitsOf(text);
    m_keys.resize(size_t(count));
    m_ranks.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        m_keys[size_t(i)] = grams.key(units + i);
        m_ranks[size_t(i)] = rank(m_keys[size_t(i)]);
    }
    // The leftmost smallest rank of each run, slid along the text: the kept gram only changes
    // when a smaller one enters the run or the kept one leaves it.
    qsizetype best = -1;
    for (qsizetype start = 0; start < runs; ++start) {
        const qsizetype end = start + grams.run - 1;
        if (best < start) {
            best = start;
            for (qsizetype i = start + 1; i <= end; ++i) {
                if (m_ranks[size_t(i)] < m_ranks[size_t(best)])
                    best = i;
            }
        } else if (m_ranks[size_t(end)] < m_ranks[size_t(best)]) {
            best = end;
        }
        // Neighbouring runs mostly keep the same gram; record it once.
        if (m_kept.empty() || m_kept.back().position != best)
            m_kept.push_back({m_keys[size_t(best)], qint32(best)});
    }
}

void SubstringIndex::indexSegment(qint32 id, Grams &grams) const {
    // A segment shorter than the shortest needle this table answers holds none of them.
    const Segment &segment = m_segments[size_t(id)];
    keptGrams(QStringView(segment.text, segment.length), grams);
    grams.table.reserve(qsizetype(m_kept.size()));
    // The slots of one segment are scattered over the whole table: fetching them side by side
    // first, instead of waiting for each miss in turn, roughly halves the cost of an add.
    for (const Kept &kept : m_kept)
        grams.table.prefetch(kept.key);
    for (const Kept &kept : m_kept)
        grams.table.add(kept.key, id, kept.position);
}

bool SubstringIndex::contains(QStringView needle) const {
    if (needle.isEmpty())
        return !m_lines.empty();
    if (needle.size() < kShortNeedle || needle.contains(QLatin1Char('/')))
        return containsPlain(needle);
    if (needle.size() >= kLongNeedle)
        return search(m_long, needle);
    if (!m_shortBuilt) {
        m_shortBuilt = true;
        for (size_t id = 0; id < m_segments.size(); ++id)
            indexSegment(qint32(id), m_short);
    }
    return search(m_short, needle);
}

bool SubstringIndex::search(const Grams &grams, QStringView needle) const {
    keptGrams(needle, grams);
    for (const Kept &kept : m_kept)
        grams.table.prefetch(kept.key);
    const GramTable::Slot *rarest = nullptr;
    qint32 offset = 0;
    for (const Kept &kept : m_kept) {
        const GramTable::Slot *slot = grams.table.find(kept.key);
        // Each kept gram of the needle is kept in every segment that holds the needle, so one
        // absent gram settles it.
        if (!slot)
            return false;
        if (!rarest || slot->count < rarest->count) {
            rarest = slot;
            offset = kept.position;
        }
    }
    const char16_t *units = unitsOf(needle);
    const qsizetype length = needle.size();
    for (qint32 at = rarest->head; at >= 0;) {
        const GramTable::Posting &posting = grams.table.posting(at);
        // Where the needle would start if this is one of its occurrences.
        const qsizetype start = qsizetype(posting.position) - offset;
        const Segment &segment = m_segments[size_t(posting.text)];
        if (start >= 0 && start + length <= segment.length &&
            std::memcmp(segment.text + start, units, size_t(length) * sizeof(char16_t)) == 0)
            return true;
        at = posting.next;
    }
    return false;
}

bool SubstringIndex::containsPlain(QStringView needle) const {
    for (const QString &text : m_lines) {
        if (QStringView(text).contains(needle))
            return true;
    }
    return false;
}

qsizetype SubstringIndex::memoryBytes() const {
    return m_long.table.memoryBytes() + m_short.table.memoryBytes() +
           qsizetype(m_segments.capacity() * sizeof(Segment));
}
