#include "library/GramTable.h"

namespace {

constexpr size_t kInitialCapacity = 16 * 1024;

bool tooFull(qsizetype used, size_t capacity) {
    return size_t(used) * 10 > capacity * 7;
}

// A library's scan fills the table from empty, and every growth writes a whole new table
// (fresh pages, each a fault) and moves every key: small tables grow fourfold, so a scan of tens
// of thousands of files grows it four times rather than eight, and large ones twofold, so that
// the last growth never overshoots by much.
size_t grown(size_t capacity) {
    return capacity < (size_t(1) << 18) ? capacity * 4 : capacity * 2;
}

} // namespace

GramTable::GramTable() {
    grow(kInitialCapacity);
}

GramTable::~GramTable() = default;
GramTable::GramTable(GramTable &&) noexcept = default;
GramTable &GramTable::operator=(GramTable &&) noexcept = default;

void GramTable::reserve(qsizetype keys) {
    size_t capacity = m_slots.size();
    while (tooFull(m_used + keys, capacity))
        capacity = grown(capacity);
    if (capacity != m_slots.size())
        grow(capacity);
}

size_t GramTable::probe(quint32 tag) const {
    const size_t capacity = m_slots.size();
    size_t at = slotOf(tag);
    while (m_slots[at].head >= 0 && m_slots[at].tag != tag) {
        if (++at == capacity)
            at = 0;
    }
    return at;
}

void GramTable::add(quint64 key, qint32 text, qint32 position) {
    if (tooFull(m_used + 1, m_slots.size()))
        grow(grown(m_slots.size()));
    const quint32 tag = tagOf(key);
    Slot &slot = m_slots[probe(tag)];
    if (slot.head < 0) {
        slot.tag = tag;
        ++m_used;
    }
    const size_t at = size_t(m_postings);
    if ((at & kChunkMask) == 0)
        m_chunks.push_back(std::make_unique<Posting[]>(kChunkMask + 1));
    m_chunks.back()[at & kChunkMask] = {text, position, slot.head};
    slot.head = qint32(at);
    ++slot.count;
    ++m_postings;
}

void GramTable::prefetch(quint64 key) const {
#if defined(__GNUC__)
    __builtin_prefetch(&m_slots[slotOf(tagOf(key))]);
#else
    Q_UNUSED(key);
#endif
}

const GramTable::Slot *GramTable::find(quint64 key) const {
    const Slot &slot = m_slots[probe(tagOf(key))];
    return slot.head >= 0 ? &slot : nullptr;
}

qsizetype GramTable::memoryBytes() const {
    return qsizetype(m_slots.capacity() * sizeof(Slot) +
                     m_chunks.size() * (kChunkMask + 1) * sizeof(Posting));
}

void GramTable::grow(size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(m_slots);
    for (const Slot &slot : old) {
        if (slot.head >= 0)
            m_slots[probe(slot.tag)] = slot;
    }
}
