#pragma once

#include <QObject>
#include <QString>

// The player as the desktop's media controls (media keys, the desktop's media widget, playerctl)
// reach it: what plays, and the few things they may ask of it. The app implements it over its
// main window. Times are in microseconds, as the desktop counts them.
class RemotePlayer : public QObject {
    Q_OBJECT
public:
    enum class Status { Stopped, Playing, Paused };
    struct Track {
        int number = 0; // the entry's number in the library; 0 when nothing is current
        QString title;
        QString artist;
        QString path;
        qint64 lengthUs = 0; // 0 when unknown
    };

    using QObject::QObject;

    virtual Status status() const = 0;
    virtual Track track() const = 0;
    virtual qint64 positionUs() const = 0;
    virtual int volumePercent() const = 0;
    // There is something for play and pause to act on.
    virtual bool canPlay() const = 0;
    virtual bool canSeek() const = 0;
    // The library is not empty, so next() has something to draw from.
    virtual bool canGoNext() const = 0;
    // There is a window to raise.
    virtual bool canRaise() const = 0;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    // A random entry, as the chat's "r" plays one.
    virtual void next() = 0;
    virtual void setPositionUs(qint64 position) = 0;
    virtual void setVolumePercent(int percent) = 0;
    // Plays the library's entry for this file; false when the library has none.
    virtual bool openFile(const QString &path) = 0;
    // The window shown (back from the tray too), raised and activated.
    virtual void raise() = 0;
    // The close sequence the tray's Unload runs.
    virtual void quit() = 0;

signals:
    // Something above may have changed, the position aside (it changes all the time).
    void changed();
    // The position jumped: a seek from anywhere, or the end of fast forward or reverse.
    void seeked(qint64 positionUs);
};
