#pragma once

#include "stream/IcecastOutput.h"
#include "stream/StreamSettings.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class QThread;
class StreamHub;
class StreamSource;

// The stream as the UI thread sees it: started with its settings, then told what the player
// does. Every call only queues work for the stream's thread and returns at once; nothing here
// waits for the stream while it runs (switching it off joins its thread, which ends within a
// tick). Our own server and the Icecast source share one encoding.
class StreamService : public QObject {
    Q_OBJECT
public:
    explicit StreamService(QObject *parent = nullptr);
    ~StreamService() override;

    // Streams with these settings from now on, in place of any stream before; the same settings
    // again change nothing. `password` is the Icecast source password. False, with the reason on
    // stderr and in `error`, when our own server cannot listen and nothing else streams.
    bool start(const StreamSettings &settings, const QByteArray &password,
               QString *error = nullptr);
    void stop();
    bool isOn() const { return m_thread != nullptr; }
    // As started, with the port our own server got (the kernel picks one for port 0).
    const StreamSettings &settings() const { return m_settings; }
    QString url() const { return isOn() ? m_settings.url() : QString(); }

    // A new item, from `position` seconds, with its title.
    void play(const QByteArray &fileName, double position, bool paused, const QString &title);
    void setPaused(bool paused);
    // Nothing plays: the stream carries silence and keeps its listeners.
    void stopPlayback();
    void seek(double position);
    // Where the player is now, for the stream to keep in step.
    void follow(double position);

    // What the Icecast output last reported, if it has.
    std::optional<IcecastOutput::Status> icecastStatus() const { return m_icecastStatus; }

signals:
    void icecastStatusChanged(IcecastOutput::Status status);

private:
    template <typename Function> void onSource(Function function);
    void icecastReported(IcecastOutput::Status status, const QString &text);

    StreamSettings m_settings;
    QByteArray m_password;
    std::unique_ptr<QThread> m_thread;
    QPointer<StreamHub> m_hub;
    QPointer<StreamSource> m_source;
    std::unique_ptr<IcecastOutput> m_icecast;
    std::optional<IcecastOutput::Status> m_icecastStatus;
    int m_generation = 0; // of the Icecast output, so that a late report of an old one is dropped
};
