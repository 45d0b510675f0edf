#pragma once

#include "chatroom/mumble/PcmBuffer.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// The stream the channel hears, decoded on a thread of its own (VoiceStreamDecoder blocks in the
// network) into a PcmBuffer that the voice's clock takes from. A stream that cannot be opened or
// drops is opened again after a second, then twice as long each time up to a minute; one that
// played for a while starts the count again. What happens is reported to the UI thread.
class VoiceFeed : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds firstRetry{1};
    static constexpr std::chrono::seconds lastRetry{60};
    // A stream that played this long had nothing wrong with it: the next drop waits a second.
    static constexpr std::chrono::seconds steadyPlay{10};

    VoiceFeed(const QString &url, PcmBuffer *buffer, QObject *parent = nullptr);
    // Stops the thread and waits for it: FFmpeg's waits are interrupted, so within moments.
    ~VoiceFeed() override;

    void start();
    QString url() const { return m_url; }

signals:
    // One line for the room's window and stderr.
    void stateChanged(const QString &text);

private:
    void run();
    void report(const QString &text);
    // False when a stop came first.
    bool wait(std::chrono::seconds delay);

    QString m_url;
    PcmBuffer *m_buffer;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::condition_variable m_woken;
    std::thread m_thread;
};
