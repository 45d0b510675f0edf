#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

struct lame_global_struct;

// One continuous MPEG-1 Layer III stream at 44.1 kHz, stereo, constant bit rate, made by LAME
// from interleaved 16-bit samples. Its output is cut into whole frames, so that a listener who
// joins (or a burst that starts) at any frame begins at a frame header.
class Mp3Encoder {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr int kSamplesPerFrame = 1152;

    explicit Mp3Encoder(int bitrateKbps);
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder &) = delete;
    Mp3Encoder &operator=(const Mp3Encoder &) = delete;

    bool isValid() const { return m_lame != nullptr; }
    int bitrate() const { return m_bitrate; }
    // `frames` stereo sample pairs in; the MP3 frames completed by them out.
    QList<QByteArray> encode(const int16_t *interleaved, int frames);

    // The length of the MP3 frame whose header starts `bytes`, or 0 when it is no MPEG-1 Layer
    // III frame header.
    static int frameLength(const unsigned char *bytes, qsizetype available);

private:
    QList<QByteArray> takeFrames();

    lame_global_struct *m_lame = nullptr;
    int m_bitrate;
    QByteArray m_output;
    QByteArray m_pending;
};
