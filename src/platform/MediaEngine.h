#pragma once

#include <QObject>
#include <QString>

// The engine that decodes and plays one file at a time. The real one wraps libmpv; tests use a
// hand-written fake. All calls and signals happen on the UI thread.
class MediaEngine : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Loading, Playing, Paused };
    Q_ENUM(State)

    using QObject::QObject;
    ~MediaEngine() override = default;

    // Replaces whatever is loaded with the file and starts it at once: normal speed, forward,
    // not paused. Never shows a dialog; a file that cannot be played ends with failed = true.
    virtual void open(const QString &path) = 0;
    // Unloads the current file; the engine becomes idle without emitting finished().
    virtual void stop() = 0;
    virtual void setPaused(bool paused) = 0;
    virtual void setSpeed(double speed) = 0;
    virtual void setBackward(bool backward) = 0;
    virtual double speed() const = 0;
    virtual bool isBackward() const = 0;

    // Seconds into the current file; 0 while idle or loading.
    virtual double position() const = 0;
    // Length of the current file in seconds as the decoder sees it; 0 when unknown.
    virtual double duration() const = 0;
    virtual void seek(double seconds) = 0;

    virtual void setVolume(int percent) = 0;
    virtual int volume() const = 0;
    virtual void setMuted(bool muted) = 0;
    virtual bool isMuted() const = 0;

    virtual State state() const = 0;

signals:
    // The file given to open() is decoded and playing (or paused at its start).
    void started();
    // The file given to open() ended: it played to its end, or it could not be played.
    // Not emitted for a file replaced by open() or unloaded by stop().
    void finished(bool failed);
    // state(), speed, direction, volume or mute changed.
    void stateChanged();
};
