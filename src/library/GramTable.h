#pragma once

#include <QtGlobal>
#include <memory>
#include <vector>

// An inverted index from gram keys to where they occur: (text id, position) pairs, newest first
// as a singly linked list, plus a count so that a query can pick its rarest gram before walking
// anything.
//
// Sized for a library's worth of grams with as little memory as it takes, because fresh memory
// is what an index of this size mostly costs: a slot is 12 bytes and holds a 32-bit tag of the
// key rather than the key (two keys with one tag share a list, which costs the caller a
// confirmation and nothing else); the table grows at 70% load with linear probing; postings
// live in fixed chunks that are never copied.
class GramTable {
public:
    struct Slot {
        quint32 tag = 0;
        qint32 head = -1; // -1: empty slot
        qint32 count = 0;
    };
    struct Posting {
        qint32 text;
        qint32 position;
        qint32 next;
    };

    GramTable();
    ~GramTable();
    GramTable(GramTable &&) noexcept;
    GramTable &operator=(GramTable &&) noexcept;

    // Makes room for `keys` more keys without growing during the next adds.
    void reserve(qsizetype keys);
    // Records that text `text` holds the gram `key` at `position`.
    void add(quint64 key, qint32 text, qint32 position);
    // Hints the processor to fetch the slot of `key`; adds of a whole text go faster when their
    // slots are fetched side by side instead of one cache miss after another.
    void prefetch(quint64 key) const;

    // The slot of `key`, or nullptr when no text holds it.
    const Slot *find(quint64 key) const;
    const Posting &posting(qint32 at) const {
        return m_chunks[size_t(at) >> kChunkBits][size_t(at) & kChunkMask];
    }

    qsizetype keyCount() const { return m_used; }
    qsizetype postingCount() const { return m_postings; }
    qsizetype memoryBytes() const;

private:
    static constexpr int kChunkBits = 14;
    static constexpr size_t kChunkMask = (size_t(1) << kChunkBits) - 1;

    static quint32 tagOf(quint64 key) { return quint32((key * 0x9E3779B97F4A7C15ull) >> 32); }
    // Multiply-shift maps the tag onto any table size, so the table need not be a power of 2.
    size_t slotOf(quint32 tag) const { return size_t((quint64(tag) * m_slots.size()) >> 32); }
    size_t probe(quint32 tag) const;
    void grow(size_t capacity);

    std::vector<Slot> m_slots;
    std::vector<std::unique_ptr<Posting[]>> m_chunks;
    qsizetype m_used = 0;
    qsizetype m_postings = 0;
};
