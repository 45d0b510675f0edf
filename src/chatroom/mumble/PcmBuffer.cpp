#include "chatroom/mumble/PcmBuffer.h"

#include <algorithm>

void PcmBuffer::put(const std::vector<int16_t> &samples) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_samples.insert(m_samples.end(), samples.begin(), samples.end());
    if (m_samples.size() > m_capacity)
        m_samples.erase(m_samples.begin(),
                        m_samples.begin() + std::ptrdiff_t(m_samples.size() - m_capacity));
}

bool PcmBuffer::take(int16_t *out, size_t count) {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_samples.size() < count)
        return false;
    std::copy_n(m_samples.begin(), count, out);
    m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(count));
    return true;
}

void PcmBuffer::drop(size_t count) {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_samples.erase(m_samples.begin(),
                    m_samples.begin() + std::ptrdiff_t(std::min(count, m_samples.size())));
}

size_t PcmBuffer::size() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_samples.size();
}

void PcmBuffer::clear() {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_samples.clear();
}
