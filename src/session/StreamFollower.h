#pragma once

#include "player/MediaPlayer.h"
#include "stream/StreamSettings.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class Settings;
class StreamService;

// The player's side of the stream listeners hear: it keeps the stream's settings in the settings
// file, switches the remembered stream on and off ("Listen Along"), and tells the stream what the
// player does (each new item with its caption, pause, stop, seeks), checking every second that
// the stream keeps in step with the player.
class StreamFollower : public QObject {
    Q_OBJECT
public:
    // `caption` reads the now-playing caption. Without a service nothing ever streams.
    StreamFollower(StreamService *service, MediaPlayer &player, Settings &settings,
                   std::function<QString()> caption, QObject *parent = nullptr);
    // The player goes with the session: the stream, which may go on for the next one, falls
    // silent.
    ~StreamFollower() override;

    // Settings given on the command line: used, and remembered, by restore().
    void setGiven(const std::optional<StreamSettings> &given) { m_given = given; }
    // After the settings file is loaded: streams what was given or remembered as on.
    void restore();
    void setOn(bool on);
    bool isOn() const;
    // What the room is told to open; empty while nothing streams.
    QString url() const;

    // What the player does, as the session reports it.
    void itemStarted();
    void stateChanged(MediaPlayer::PlayState state);
    void seeked(double seconds);

signals:
    // "Listen Along" went on or off, or a start failed.
    void switched(bool on);

private:
    bool start(const StreamSettings &settings);
    // Streams what plays now, if anything does.
    void streamCurrent();
    void keepInStep();

    QPointer<StreamService> m_service;
    MediaPlayer &m_player;
    Settings &m_settings;
    std::function<QString()> m_caption;
    std::optional<StreamSettings> m_given;
    QTimer m_step;
    // What the stream was last told plays; empty while it streams silence.
    QString m_streaming;
};
