#pragma once

#include "chatroom/mumble/OpusVoiceEncoder.h"
#include "chatroom/mumble/PcmBuffer.h"
#include "chatroom/mumble/VoiceFeed.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

// The stream at a URL as the room's voice in its channel: a frame of 20 ms every 20 ms by the
// clock, encoded with Opus at a rate that fits the server's bandwidth, as voice packets. Silence
// (a paused or stopped player, whose stream carries silence) ends the talk with a terminator, and
// sound starts a new one. The stream is kept as close to live as it goes: a backlog (the burst a
// listen-along stream sends a new listener, or audio that came late all at once) is skipped, and
// the cushion against the stream's own jitter stays small.
class ChannelVoice : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds frameLength{20};
    static constexpr int frameSamples = OpusVoiceEncoder::frameSamples;
    // Silence this long ends a talk: a moment's quiet inside a song does not.
    static constexpr int silentFramesToEnd = 10;
    // The loudest sample of a silent frame, of 32768 (-66 dBFS).
    static constexpr int silencePeak = 16;
    // More than this waiting is a backlog, cut at once to the cushion.
    static constexpr int backlogSamples = OpusVoiceEncoder::sampleRate / 2;
    static constexpr int cushionSamples = OpusVoiceEncoder::sampleRate / 10;

    explicit ChannelVoice(const QString &url, QObject *parent = nullptr);

    void start();
    // Whether the room can be heard now (in its channel, neither muted nor suppressed). While
    // not, frames are taken and dropped, so that the voice is live when it is heard again.
    void setAllowed(bool allowed);
    // The server's limit for a user, in bits per second with the packets' overhead.
    void setBandwidth(quint32 bitsPerSecond);
    // The Opus rate that stays under `bandwidth` once each packet's overhead is counted.
    static int bitrateFor(quint32 bandwidth);

signals:
    // A voice packet to send (through the server's tunnel).
    void packetReady(const QByteArray &packet);
    void stateChanged(const QString &text);

private:
    void tick();
    void nextFrame();
    void keepLive(size_t waiting);

    PcmBuffer m_buffer;
    VoiceFeed m_feed;
    OpusVoiceEncoder m_encoder;
    QTimer m_clock;
    QElapsedTimer m_elapsed;
    qint64 m_frames = 0; // frames since start, sent or not
    bool m_allowed = false;
    bool m_talking = false;
    int m_silentFrames = 0;
    size_t m_leastWaiting = SIZE_MAX; // over the last second
};
