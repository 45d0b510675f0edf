#pragma once

#include "mpris/RemotePlayer.h"
#include "player/MediaPlayer.h"

#include <QPointer>
#include <QTimer>
#include <functional>

class Session;

// The desktop's media controls reach the program's current session through this: its player and
// its library. Raise and Quit need what shows the session (a window, or nothing); between two
// sessions (Clear Settings) nothing plays and every request is ignored.
class SessionRemote : public RemotePlayer {
    Q_OBJECT
public:
    // What shows the session. Without `raise` the desktop may not raise it.
    struct View {
        std::function<void()> raise;
        // The close sequence the tray's Unload runs, or the plain close without a window.
        std::function<void()> quit;
    };

    explicit SessionRemote(QObject *parent = nullptr);

    // Follows this session from now on.
    void follow(Session *session, View view);

    Status status() const override;
    Track track() const override;
    qint64 positionUs() const override;
    int volumePercent() const override;
    bool canPlay() const override;
    bool canSeek() const override;
    bool canGoNext() const override;
    bool canRaise() const override;

    void play() override;
    void pause() override;
    void playPause() override;
    void stop() override;
    void next() override;
    void setPositionUs(qint64 position) override;
    void setVolumePercent(int percent) override;
    bool openFile(const QString &path) override;
    void raise() override;
    void quit() override;

    // How often the desktop hears the position while fast forward or reverse runs it at
    // another speed than the rate it counts with.
    static constexpr int kFastSeekedMs = 1000;

private:
    void onStateChanged(MediaPlayer::PlayState state);
    // Tells the desktop what may have changed, unless a new item is still on its way.
    void announce();
    MediaPlayer *player() const;

    QPointer<Session> m_session;
    View m_view;
    MediaPlayer::PlayState m_lastState = MediaPlayer::PlayState::Stopped;
    QTimer m_fastSeeked;
};
