#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// Decodes a stream at a URL (the player's listen-along stream, or any that FFmpeg's libraries
// open) to 16-bit mono at 48 kHz, what the channel's voice carries. It blocks in the network:
// it belongs on a thread of its own. A read that gets nothing for `stallTimeoutMs`, or a stop
// asked for through the flag given at open, ends the stream.
class VoiceStreamDecoder {
public:
    static constexpr int sampleRate = 48000;
    static constexpr int stallTimeoutMs = 10000;

    VoiceStreamDecoder();
    ~VoiceStreamDecoder();
    VoiceStreamDecoder(const VoiceStreamDecoder &) = delete;
    VoiceStreamDecoder &operator=(const VoiceStreamDecoder &) = delete;

    // False, with errorString() telling why, when the stream cannot be opened or has no audio.
    bool open(const QString &url, const std::atomic<bool> *stop);
    void close();
    // Appends what the next packets decode to (at least one sample unless the stream ended);
    // false once the stream has ended or failed.
    bool read(std::vector<int16_t> &samples);
    QString errorString() const { return m_error; }

    // FFmpeg's own messages go to the debug log (zandoramp.voice) instead of stderr.
    static void routeLogToDebug();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_error;
};
