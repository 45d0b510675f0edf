#pragma once

#include <QStringView>
#include <memory>
#include <vector>

// Texts copied into large blocks that never move, so a view of a text added here stays valid as
// long as the arena lives. A library holds tens of thousands of short texts: one QString each
// would cost a heap block with its own header and rounding, plus 24 bytes to point at it.
// Nothing is freed before the arena goes; an owner that replaces texts counts what it leaves
// behind and copies the live ones into a new arena when that gets large.
class TextArena {
public:
    TextArena() = default;
    TextArena(const TextArena &) = delete;
    TextArena &operator=(const TextArena &) = delete;
    TextArena(TextArena &&) noexcept = default;
    TextArena &operator=(TextArena &&) noexcept = default;

    // A copy of `text`, valid until the arena goes. An empty text takes no room.
    QStringView add(QStringView text);
    // UTF-16 units added so far.
    qsizetype size() const { return m_size; }
    qsizetype memoryBytes() const { return m_bytes; }

private:
    static constexpr qsizetype kBlockUnits = 32 * 1024;

    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    char16_t *m_current = nullptr; // the block being filled
    qsizetype m_free = 0;          // units left in it
    qsizetype m_size = 0;
    qsizetype m_bytes = 0;
};
