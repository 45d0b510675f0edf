#pragma once

#include "mpris/RemotePlayer.h"
#include "player/MediaPlayer.h"

#include <QPointer>
#include <QTimer>

class MainWindow;

// The desktop's media controls reach the program's current main window through this: its
// player, its library and its tray, never its widgets. Between two main windows (Clear Settings)
// nothing plays and every request is ignored.
class WindowRemote : public RemotePlayer {
    Q_OBJECT
public:
    explicit WindowRemote(QObject *parent = nullptr);

    // Follows this window from now on.
    void follow(MainWindow *window);

    Status status() const override;
    Track track() const override;
    qint64 positionUs() const override;
    int volumePercent() const override;
    bool canPlay() const override;
    bool canSeek() const override;
    bool canGoNext() const override;

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
    void onStatusChange();
    // Tells the desktop what may have changed, unless a new item is still on its way.
    void announce();
    MediaPlayer *player() const;

    QPointer<MainWindow> m_window;
    MediaPlayer::PlayState m_lastState = MediaPlayer::PlayState::Stopped;
    QTimer m_fastSeeked;
    // While a request runs in several steps, the desktop hears only where it ends.
    bool m_holdChanges = false;
};
