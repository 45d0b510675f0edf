#include "chatroom/mumble/VoiceFeed.h"

#include "chatroom/mumble/VoiceStreamDecoder.h"

#include <QElapsedTimer>

VoiceFeed::VoiceFeed(const QString &url, PcmBuffer *buffer, QObject *parent)
    : QObject(parent), m_url(url), m_buffer(buffer) {}

VoiceFeed::~VoiceFeed() {
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_stop = true;
    }
    m_woken.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void VoiceFeed::start() {
    if (m_thread.joinable())
        return;
    VoiceStreamDecoder::routeLogToDebug();
    m_thread = std::thread([this] { run(); });
}

void VoiceFeed::report(const QString &text) {
    QMetaObject::invokeMethod(
        this, [this, text] { emit stateChanged(text); }, Qt::QueuedConnection);
}

bool VoiceFeed::wait(std::chrono::seconds delay) {
    std::unique_lock<std::mutex> hold(m_lock);
    return !m_woken.wait_for(hold, delay, [this] { return m_stop.load(); });
}

void VoiceFeed::run() {
    VoiceStreamDecoder decoder;
    std::chrono::seconds delay = firstRetry;
    std::vector<int16_t> samples;
    while (!m_stop) {
        QString why;
        if (decoder.open(m_url, &m_stop)) {
            report(tr("Voice: playing %1").arg(m_url));
            QElapsedTimer playing;
            playing.start();
            for (samples.clear(); !m_stop && decoder.read(samples); samples.clear())
                m_buffer->put(samples);
            if (playing.elapsed() >= std::chrono::milliseconds(steadyPlay).count())
                delay = firstRetry;
            why = tr("%1 dropped (%2)").arg(m_url, decoder.errorString());
            decoder.close();
        } else {
            why = tr("cannot open %1 (%2)").arg(m_url, decoder.errorString());
        }
        if (m_stop)
            break;
        report(tr("Voice: %1; opening it again in %2 s").arg(why, QString::number(delay.count())));
        if (!wait(delay))
            break;
        delay = std::min(delay * 2, lastRetry);
    }
}
