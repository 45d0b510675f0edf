#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>

// Decodes one media file with FFmpeg's libraries into interleaved 16-bit stereo at 44.1 kHz,
// from any position. What the stream plays is decoded here from the same file the player plays:
// libmpv hands out no decoded audio.
class AudioDecoder {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;

    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder &) = delete;
    AudioDecoder &operator=(const AudioDecoder &) = delete;

    // The file by its name as the file system holds it; false when it has no audio that decodes
    // (nothing is open then).
    bool open(const QByteArray &fileName);
    void close();
    bool isOpen() const;
    // Moves to `seconds` from the start (sample-exact where the format allows).
    bool seek(double seconds);
    // Writes up to `frames` sample pairs; fewer only at the end of the file or on an error, after
    // which isOpen() stays true but nothing more comes.
    int read(int16_t *interleaved, int frames);
    bool atEnd() const;
    // Seconds into the file of the next sample read() returns.
    double position() const;

    // Sends FFmpeg's own messages to the debug log instead of stderr (once per process).
    static void routeLogToDebug();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
