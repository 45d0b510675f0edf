#pragma once

#include <QTimer>
#include <QWidget>

class MediaPlayer;
class QLabel;
class QSlider;
class QToolButton;

// The player's own transport bar, a strip of 320 x 41: seek bar with elapsed and total time
// above, play/pause and stop on the left below, mute and volume on the right. It drives the
// same MediaPlayer as everything else, and is the only place that stops it.
class PlayerStrip : public QWidget {
    Q_OBJECT
public:
    explicit PlayerStrip(MediaPlayer &player, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // True while the position is being refreshed: only while something plays and the strip
    // can be seen, so that an idle player costs nothing.
    bool isRefreshing() const { return m_refresh.isActive(); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onStatusChange();
    void refreshPosition();
    void updateRefresh();
    void showElapsed(int milliseconds);
    void showMute();

    MediaPlayer &m_player;
    QToolButton *m_playPause;
    QToolButton *m_stop;
    QToolButton *m_mute;
    QSlider *m_seek;
    QSlider *m_volume;
    QLabel *m_elapsed;
    QLabel *m_total;
    QTimer m_refresh;
};
