#pragma once

#include "platform/MediaEngine.h"

#include <QTimer>
#include <atomic>
#include <cstdint>

struct mpv_handle;
struct mpv_event;

// The media engine on libmpv: audio only, no window, no configuration, no input of its own.
// Owns the one mpv handle. mpv runs its own threads; everything here, including the signals,
// happens on the thread that created the engine (the UI thread).
class MpvEngine : public MediaEngine {
    Q_OBJECT
public:
    // audioOutputs is mpv's "ao" list, tried in order: "null" for tests, defaultAudioOutputs()
    // for the program.
    explicit MpvEngine(const QString &audioOutputs, QObject *parent = nullptr);
    ~MpvEngine() override;

    // The usual sound systems, ending with the silent output so that playback (and its clock)
    // still runs on a machine where no sound device works.
    static QString defaultAudioOutputs();

    // False when libmpv could not be set up; every file then fails.
    bool isValid() const { return m_mpv != nullptr; }
    // The audio output mpv is using for the current file ("" when none is open).
    QString currentAudioOutput() const;

    void open(const QString &path) override;
    void stop() override;
    void setPaused(bool paused) override;
    void setSpeed(double speed) override;
    void setBackward(bool backward) override;
    double speed() const override { return m_speed; }
    bool isBackward() const override { return m_backward; }

    double position() const override;
    double duration() const override;
    void seek(double seconds) override;

    void setVolume(int percent) override;
    int volume() const override { return m_volume; }
    void setMuted(bool muted) override;
    bool isMuted() const override { return m_muted; }

    State state() const override { return m_state; }

private:
    static void onWakeup(void *self);
    void drainEvents();
    void handleEvent(const mpv_event &event);
    void handleEndFile(std::int64_t entryId, int reason);
    bool load(const QString &path);
    void confirmStart();
    void failLater();
    void setState(State state);
    void forgetEntry();

    mpv_handle *m_mpv = nullptr;
    // Set by mpv's threads when a drain is queued, cleared by the UI thread before draining.
    std::atomic<bool> m_drainQueued{false};

    // The playlist entry of the file last given to open(); 0 when there is none (idle, stopped,
    // ended). Events that carry any other entry id belong to replaced files and are ignored.
    std::int64_t m_entryId = 0;
    // The entry mpv is currently working on, from its START_FILE/END_FILE events.
    std::int64_t m_activeEntryId = 0;
    bool m_started = false;
    // Counts open() and stop() calls so that a delayed failure of an old open() stays silent.
    std::uint64_t m_openSerial = 0;
    QTimer m_startConfirm;
    // mpv may still be set on playing backward (see load()).
    bool m_directionMayBeBackward = false;
    bool m_fixDirectionOnLoad = false;

    State m_state = State::Idle;
    double m_speed = 1.0;
    bool m_backward = false;
    bool m_paused = false;
    int m_volume = 50;
    bool m_muted = false;
    double m_duration = 0.0;
};
