#pragma once

#include "platform/MediaEngine.h"

#include <QStringList>

// A media engine that plays nothing. It records every call in calls() ("open <path>", "stop",
// "paused 1", "speed 5", "backward 1", "seek 12.5", "volume 50", "muted 0"); the test decides
// when the file last opened starts or finishes and what position() returns. With autoStart
// set, open() reports the start at once (after the call returns, from the event loop).
class FakeMediaEngine : public MediaEngine {
    Q_OBJECT
public:
    using MediaEngine::MediaEngine;

    // What the test controls.
    QStringList calls;
    double fakePosition = 0.0;
    double fakeDuration = 0.0;
    bool autoStart = false;

    QString openedPath() const { return m_path; }
    // The file last opened starts playing (or paused, if paused meanwhile).
    void startPlaying();
    // The file last opened ends: played to its end, or failed to play.
    void finishPlaying(bool failed);

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
    void setState(State state);

    QString m_path;
    State m_state = State::Idle;
    double m_speed = 1.0;
    bool m_backward = false;
    bool m_paused = false;
    int m_volume = 100;
    bool m_muted = false;
    int m_openCount = 0;
};
