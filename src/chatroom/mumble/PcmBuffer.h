#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// Samples on their way from the decoding thread to the voice's clock on the UI thread: the one
// writes, the other takes, each under the lock for a copy's time only. It holds `capacity`
// samples at most; past that the oldest go, so a reader that stops never makes it grow.
class PcmBuffer {
public:
    explicit PcmBuffer(size_t capacity) : m_capacity(capacity) {}

    void put(const std::vector<int16_t> &samples);
    // Fills `out` whole and true, or leaves the buffer as it was and false.
    bool take(int16_t *out, size_t count);
    // Drops the oldest `count` samples (all there are, at most).
    void drop(size_t count);
    size_t size() const;
    void clear();

private:
    mutable std::mutex m_lock;
    std::deque<int16_t> m_samples;
    size_t m_capacity;
};
