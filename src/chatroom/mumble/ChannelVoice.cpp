#include "chatroom/mumble/ChannelVoice.h"

#include "chatroom/mumble/MumbleVoicePacket.h"

#include <QLoggingCategory>
#include <algorithm>
#include <cstdlib>

Q_DECLARE_LOGGING_CATEGORY(lcVoice)

namespace {

constexpr int kFramesPerSecond = 50;
// The server counts each packet with about this much overhead against a user's bandwidth
// (headers of the tunnel, TLS and TCP), and a little more keeps clear of its limit.
constexpr int kOverheadBytes = 48;
constexpr int kLeastBitrate = 8000;
constexpr int kMostBitrate = 96000;
// After this much of a hold-up (the event loop blocked), the frames missed are skipped rather
// than sent all at once.
constexpr qint64 kMostFramesBehind = 10;
// The cushion left when the least that waited over a second says more is spare.
constexpr size_t kSpareSamples = size_t(OpusVoiceEncoder::sampleRate) * 2 / 25; // 80 ms
constexpr size_t kKeptSamples = size_t(OpusVoiceEncoder::sampleRate) / 25;      // 40 ms

} // namespace

ChannelVoice::ChannelVoice(const QString &url, QObject *parent)
    : QObject(parent), m_buffer(size_t(OpusVoiceEncoder::sampleRate) * 10), m_feed(url, &m_buffer) {
    m_clock.setTimerType(Qt::PreciseTimer);
    m_clock.setInterval(frameLength);
    connect(&m_clock, &QTimer::timeout, this, &ChannelVoice::tick);
    connect(&m_feed, &VoiceFeed::stateChanged, this, &ChannelVoice::stateChanged);
    setBandwidth(72000);
}

void ChannelVoice::start() {
    if (m_clock.isActive())
        return;
    if (!m_encoder.isValid()) {
        emit stateChanged(tr("Voice: libopus has no encoder for 48 kHz mono; no voice"));
        return;
    }
    m_feed.start();
    m_elapsed.start();
    m_frames = 0;
    m_clock.start();
}

void ChannelVoice::setAllowed(bool allowed) {
    m_allowed = allowed;
}

int ChannelVoice::bitrateFor(quint32 bandwidth) {
    const qint64 overhead = qint64(kFramesPerSecond) * 8 * kOverheadBytes;
    return int(std::clamp<qint64>(qint64(bandwidth) - overhead, kLeastBitrate, kMostBitrate));
}

void ChannelVoice::setBandwidth(quint32 bitsPerSecond) {
    m_encoder.setBitrate(bitrateFor(bitsPerSecond));
}

void ChannelVoice::tick() {
    const qint64 due = m_elapsed.elapsed() / frameLength.count();
    if (due - m_frames > kMostFramesBehind)
        m_frames = due - 1;
    while (m_frames < due) {
        ++m_frames;
        nextFrame();
    }
}

void ChannelVoice::keepLive(size_t waiting) {
    if (waiting > size_t(backlogSamples)) {
        m_buffer.drop(waiting - size_t(cushionSamples));
        m_leastWaiting = SIZE_MAX;
        return;
    }
    // A stream delivers in bursts of a few frames; what never ran out over a whole second is
    // delay that the channel need not hear.
    m_leastWaiting = std::min(m_leastWaiting, waiting);
    if (m_frames % kFramesPerSecond != 0)
        return;
    if (m_leastWaiting != SIZE_MAX && m_leastWaiting > kSpareSamples)
        m_buffer.drop(m_leastWaiting - kKeptSamples);
    m_leastWaiting = SIZE_MAX;
}

void ChannelVoice::nextFrame() {
    keepLive(m_buffer.size());
    int16_t pcm[frameSamples] = {};
    // Nothing there (the stream dropped, or is late) sounds as silence.
    const bool heard = m_buffer.take(pcm, frameSamples);
    const bool silent = !heard || std::all_of(pcm, pcm + frameSamples, [](int16_t sample) {
        return std::abs(int(sample)) <= silencePeak;
    });
    if (!m_allowed) {
        m_talking = false;
        return;
    }
    if (!m_talking) {
        if (silent)
            return;
        m_encoder.reset();
        m_talking = true;
        m_silentFrames = 0;
        qCDebug(lcVoice, "a talk starts at frame %lld, %zu samples waiting, %d bit/s", m_frames,
                m_buffer.size(), m_encoder.bitrate());
    }
    m_silentFrames = silent ? m_silentFrames + 1 : 0;
    const bool last = m_silentFrames >= silentFramesToEnd;
    const QByteArray opus = m_encoder.encode(pcm);
    if (last) {
        m_talking = false;
        qCDebug(lcVoice, "the talk ends at frame %lld", m_frames);
    }
    if (!opus.isEmpty())
        emit packetReady(MumbleVoicePacket::build(quint64(m_frames) * 2, opus, last));
}
