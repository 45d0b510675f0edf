#pragma once

#include "stream/AudioDecoder.h"
#include "stream/Mp3Encoder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

class StreamHub;

// Makes the stream on its own thread: decodes what the player plays from the same file, paced
// by the clock, and encodes it, or silence while nothing plays or the player is paused, into
// one continuous MP3 stream handed to the hub. It is told what to play by the UI thread through
// queued calls and never answers back, so the player never waits for it.
class StreamSource : public QObject {
    Q_OBJECT
public:
    // A stream further than this from the player's position is moved to it.
    static constexpr double kDriftBound = 0.5;

    StreamSource(StreamHub &hub, int bitrateKbps, QObject *parent = nullptr);

    // Starts pacing (on the stream's thread).
    void begin();

    // A new item at `position` seconds (paused or not); a file that does not decode streams
    // silence.
    void play(const QByteArray &fileName, double position, bool paused);
    void setPaused(bool paused);
    // Nothing plays: silence, with the listeners kept.
    void stopPlayback();
    void seek(double position);
    // The player is at `position`: moves there when the stream has drifted further than the
    // bound (and so follows fast forward and reverse at normal speed from the moving position).
    void follow(double position);

    double position() const { return m_decoder.position(); }
    bool isPlaying() const { return m_decoder.isOpen() && !m_paused && !m_decoder.atEnd(); }

private:
    void tick();
    void produce(int frames);

    StreamHub &m_hub;
    Mp3Encoder m_encoder;
    AudioDecoder m_decoder;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_produced = 0; // sample pairs since the clock started
    bool m_paused = false;
    std::vector<int16_t> m_buffer;
};
