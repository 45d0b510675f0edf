#include "library/TextArena.h"

#include <cstring>

QStringView TextArena::add(QStringView text) {
    const qsizetype length = text.size();
    if (length == 0)
        return {};
    char16_t *at = nullptr;
    if (length > kBlockUnits / 8) {
        // A long text gets a block of its own, so that the current block's rest is not wasted.
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(size_t(length)));
        m_bytes += length * qsizetype(sizeof(char16_t));
        at = m_blocks.back().get();
    } else {
        if (length > m_free) {
            m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(size_t(kBlockUnits)));
            m_bytes += kBlockUnits * qsizetype(sizeof(char16_t));
            m_current = m_blocks.back().get();
            m_free = kBlockUnits;
        }
        at = m_current + (kBlockUnits - m_free);
        m_free -= length;
    }
    std::memcpy(at, text.utf16(), size_t(length) * sizeof(char16_t));
    m_size += length;
    return QStringView(at, length);
}
