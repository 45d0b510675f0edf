#include "stream/StreamSource.h"

#include "stream/StreamHub.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTickMs = 40;
// After a stall of the thread (a suspended machine, a debugger) the stream goes on from now
// rather than rushing out what it missed.
constexpr qint64 kMaxCatchUp = Mp3Encoder::kSampleRate / 2;

} // namespace

StreamSource::StreamSource(StreamHub &hub, int bitrateKbps, QObject *parent)
    : QObject(parent), m_hub(hub), m_encoder(bitrateKbps), m_timer(this) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &StreamSource::tick);
}

void StreamSource::begin() {
    m_clock.start();
    m_produced = 0;
    m_timer.start();
}

void StreamSource::play(const QByteArray &fileName, double position, bool paused) {
    m_paused = paused;
    if (!m_decoder.open(fileName))
        return;
    if (position > 0)
        m_decoder.seek(position);
}

void StreamSource::setPaused(bool paused) {
    m_paused = paused;
}

void StreamSource::stopPlayback() {
    m_decoder.close();
    m_paused = false;
}

void StreamSource::seek(double position) {
    if (m_decoder.isOpen() && std::isfinite(position))
        m_decoder.seek(position);
}

void StreamSource::follow(double position) {
    if (!m_decoder.isOpen() || !std::isfinite(position))
        return;
    if (std::abs(m_decoder.position() - position) > kDriftBound)
        m_decoder.seek(position);
}

void StreamSource::tick() {
    const qint64 due = m_clock.nsecsElapsed() * Mp3Encoder::kSampleRate / 1000000000;
    qint64 missing = due - m_produced;
    if (missing > kMaxCatchUp) {
        m_produced = due - kMaxCatchUp;
        missing = kMaxCatchUp;
    }
    if (missing > 0)
        produce(int(missing));
}

void StreamSource::produce(int frames) {
    m_buffer.assign(size_t(frames) * Mp3Encoder::kChannels, 0);
    if (m_decoder.isOpen() && !m_paused) {
        // Past the end of the file the rest is silence until the player starts something else.
        m_decoder.read(m_buffer.data(), frames);
    }
    m_produced += frames;
    for (const QByteArray &frame : m_encoder.encode(m_buffer.data(), frames))
        m_hub.append(frame);
}
