#pragma once

#include <QByteArray>
#include <cstdint>

struct OpusEncoder;

// libopus for the channel's voice: 48 kHz mono in frames of 20 ms, tuned for music, at a
// constant bit rate so that every packet is the same size and the rate stays under the server's
// bandwidth limit packet by packet.
class OpusVoiceEncoder {
public:
    static constexpr int sampleRate = 48000;
    static constexpr int frameSamples = sampleRate / 50; // 20 ms

    OpusVoiceEncoder();
    ~OpusVoiceEncoder();
    OpusVoiceEncoder(const OpusVoiceEncoder &) = delete;
    OpusVoiceEncoder &operator=(const OpusVoiceEncoder &) = delete;

    bool isValid() const { return m_encoder != nullptr; }
    void setBitrate(int bitsPerSecond);
    int bitrate() const { return m_bitrate; }
    // A new talk: the listeners' decoders start afresh, so the encoder does too.
    void reset();
    // One frame of frameSamples samples; empty on failure.
    QByteArray encode(const int16_t *frame);

private:
    OpusEncoder *m_encoder = nullptr;
    int m_bitrate = 0;
};
