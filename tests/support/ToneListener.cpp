#include "support/ToneListener.h"

#include <QTest>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
constexpr int kRate = 8000;
// Keeps the last minute at most.
constexpr qsizetype kKeepBytes = qsizetype(kRate) * 2 * 60;
} // namespace

ToneListener::ToneListener(const QString &url) {
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { take(); });
    // Small probes: the stream is known to be MP3, and waiting for more would delay every
    // change the listener is to hear.
    m_process.start(QStringLiteral("ffmpeg"),
                    {"-nostdin", "-hide_banner", "-loglevel", "error", "-probesize", "32768",
                     "-analyzeduration", "0", "-i", url, "-f", "s16le", "-ac", "1", "-ar",
                     QString::number(kRate), "pipe:1"});
}

ToneListener::~ToneListener() {
    m_process.kill();
    m_process.waitForFinished(3000);
}

void ToneListener::take() {
    const QByteArray bytes = m_process.readAllStandardOutput();
    m_total += bytes.size();
    m_samples += bytes;
    if (m_samples.size() > kKeepBytes)
        m_samples.remove(0, (m_samples.size() - kKeepBytes) & ~qsizetype(1));
}

ToneListener::Sound ToneListener::latest(double seconds) const {
    const qsizetype count = qsizetype(seconds * kRate);
    const qsizetype available = m_samples.size() / 2;
    if (available < count || count < 2)
        return {};
    std::vector<int16_t> samples(static_cast<size_t>(count));
    std::memcpy(samples.data(), m_samples.constData() + (available - count) * 2, size_t(count) * 2);
    return measure(samples.data(), samples.size(), kRate);
}

ToneListener::Sound ToneListener::measure(const int16_t *samples, size_t count, int rate) {
    if (count < 2)
        return {};
    double energy = 0;
    int crossings = 0;
    for (size_t i = 0; i < count; ++i) {
        energy += double(samples[i]) * samples[i];
        if (i > 0 && (samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    }
    return {crossings / 2.0 / (double(count) / rate), std::sqrt(energy / double(count))};
}

bool ToneListener::waitFor(const std::function<bool(const Sound &)> &heard, int timeoutMs) {
    return QTest::qWaitFor([&] { return heard(latest()); }, timeoutMs);
}

bool ToneListener::isTone(const Sound &sound, double frequency) {
    // The test tones are loud; within a tenth of their pitch is the song.
    return sound.level > 1000 && std::abs(sound.frequency - frequency) < frequency / 10;
}

bool ToneListener::hears(double frequency, int timeoutMs) {
    return waitFor([frequency](const Sound &sound) { return isTone(sound, frequency); }, timeoutMs);
}

bool ToneListener::hearsSilence(int timeoutMs) {
    return waitFor([](const Sound &sound) { return sound.level >= 0 && sound.level < 100; },
                   timeoutMs);
}

QString ToneListener::errors() {
    return QString::fromLocal8Bit(m_process.readAllStandardError());
}
