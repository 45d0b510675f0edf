#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <cstdint>
#include <functional>

// A listener of a stream: ffmpeg opened at its address, decoding what arrives to PCM (8 kHz,
// mono) as it arrives, on one connection. Each test song is a tone of its own, so the pitch of
// the latest samples (from their zero crossings) tells which song is heard and their loudness
// tells silence.
class ToneListener {
public:
    struct Sound {
        double frequency = 0; // Hz
        double level = -1;    // RMS, of 32768; -1 before enough has arrived
    };

    explicit ToneListener(const QString &url);
    ~ToneListener();

    // The sound of the latest `seconds` received.
    Sound latest(double seconds = 0.25) const;
    // Waits (events running) until the latest sound satisfies `heard`; false after the timeout.
    bool waitFor(const std::function<bool(const Sound &)> &heard, int timeoutMs);
    bool hears(double frequency, int timeoutMs);
    bool hearsSilence(int timeoutMs);
    // Seconds of audio received so far.
    double received() const { return double(m_total) / 2 / 8000; }
    // ffmpeg still holds its connection.
    bool isConnected() const { return m_process.state() == QProcess::Running; }
    QString errors();

    static bool isTone(const Sound &sound, double frequency);
    // The pitch and loudness of `count` samples at `rate`.
    static Sound measure(const int16_t *samples, size_t count, int rate);

private:
    void take();

    QProcess m_process;
    QByteArray m_samples;
    qint64 m_total = 0;
};
