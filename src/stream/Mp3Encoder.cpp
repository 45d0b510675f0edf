#include "stream/Mp3Encoder.h"

#include <lame/lame.h>

namespace {

constexpr int kBitrateTable[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                   112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kRateTable[4] = {44100, 48000, 32000, 0};

} // namespace

Mp3Encoder::Mp3Encoder(int bitrateKbps) : m_bitrate(bitrateKbps) {
    lame_t lame = lame_init();
    if (!lame)
        return;
    lame_set_in_samplerate(lame, kSampleRate);
    lame_set_out_samplerate(lame, kSampleRate);
    lame_set_num_channels(lame, kChannels);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, bitrateKbps);
    // The encoder's fast setting: a stream of what already plays needs no better, and it runs
    // for as long as the player does.
    lame_set_quality(lame, 7);
    // No Xing/Info frame: it describes a whole file, and a stream has no end to describe.
    lame_set_bWriteVbrTag(lame, 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return;
    }
    m_lame = lame;
}

Mp3Encoder::~Mp3Encoder() {
    if (m_lame)
        lame_close(m_lame);
}

QList<QByteArray> Mp3Encoder::encode(const int16_t *interleaved, int frames) {
    if (!m_lame || frames <= 0)
        return {};
    // LAME's own bound on what one call can produce.
    const int capacity = int(1.25 * frames) + 7200;
    m_output.resize(capacity);
    const int written = lame_encode_buffer_interleaved(
        m_lame, const_cast<short *>(reinterpret_cast<const short *>(interleaved)), frames,
        reinterpret_cast<unsigned char *>(m_output.data()), capacity);
    if (written > 0)
        m_pending.append(m_output.constData(), written);
    return takeFrames();
}

QList<QByteArray> Mp3Encoder::takeFrames() {
    QList<QByteArray> frames;
    qsizetype at = 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(m_pending.constData());
    while (at + 4 <= m_pending.size()) {
        const int length = frameLength(bytes + at, m_pending.size() - at);
        if (length == 0) {
            ++at; // not at a header: LAME never writes this, but a stream must not stall on it
            continue;
        }
        if (at + length > m_pending.size())
            break;
        frames.append(m_pending.mid(at, length));
        at += length;
    }
    m_pending.remove(0, at);
    return frames;
}

int Mp3Encoder::frameLength(const unsigned char *bytes, qsizetype available) {
    if (available < 4 || bytes[0] != 0xFF || (bytes[1] & 0xFE) != 0xFA)
        return 0; // sync, MPEG-1, Layer III (with or without CRC)
    const int bitrate = kBitrateTable[bytes[2] >> 4];
    const int rate = kRateTable[(bytes[2] >> 2) & 3];
    if (bitrate == 0 || rate == 0)
        return 0;
    const int padding = (bytes[2] >> 1) & 1;
    return 144 * bitrate * 1000 / rate + padding;
}
