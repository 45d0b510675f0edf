#pragma once

#include "player/MediaItem.h"

#include <QObject>
#include <QString>
#include <memory>

class MediaEngine;
class TagReader;

// The player component as the rest of the program sees it (the main window's `wmp`): set a URL
// and it starts at once, the transport controls, the current item's attributes, and one
// StatusChange signal. Plays through a MediaEngine; reads attributes through a TagReader.
// ".asx" playlists are read by our own parser and their entries played in order.
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    enum class PlayState { Stopped, Transitioning, Playing, Paused, FastForwarding, FastReversing };
    Q_ENUM(PlayState)
    // How a new URL begins: at once, paused at its start, or not before play().
    enum class Start { Playing, Paused, Stopped };

    MediaPlayer(std::unique_ptr<MediaEngine> engine, const TagReader &tags,
                QObject *parent = nullptr);
    ~MediaPlayer() override;

    // URL: replaces the current item and starts it at once (autoStart).
    void setURL(const QString &url);
    // Replaces the current item with `url`, which begins as `start` says: a paused one is opened
    // paused, so nothing of it is heard; a stopped one waits for play().
    void load(const QString &url, Start start);
    QString URL() const;

    // controls
    // Resumes, and returns to normal speed and direction; when stopped or at the end, starts
    // the current entry (the first one after the last) from its beginning.
    void play();
    // While an item is still on its way, it starts paused, and the player reads Paused meanwhile.
    void pause();
    // The strip's play/pause button: pauses while playing; in every other state (paused,
    // stopped, fast forward or reverse) returns to normal playing.
    void playPause();
    void stop();        // only the player strip and the desktop's media controls call this
    void fastForward(); // speed 5
    void fastReverse(); // backward at speed 5
    // Seconds; 0 while stopped or at the end of an item.
    double currentPosition() const;
    // Moves within the current item and reports it with seeked(); nothing while no item plays.
    void setCurrentPosition(double seconds);
    PlayState playState() const;
    // There is something for play() to start or resume: a URL with at least one entry.
    bool canPlay() const;

    // currentMedia: the item being played, or nullptr when there is none. It is set when the
    // engine reports the file started (a file that cannot be played never becomes current) and
    // cleared when another file is opened; after stop() or the end it stays, as in a stopped
    // player, with currentPosition() 0.
    const MediaItem *currentMedia() const;
    // The item on its way while the player is transitioning to it (opened, not yet started),
    // nullptr otherwise.
    const MediaItem *openingMedia() const;
    // What play() will start in a player that was given a URL to begin stopped; nullptr once it
    // has been opened, or when the player was not loaded that way.
    const MediaItem *cuedMedia() const;
    // network.bitRate: the current item's nominal bit rate in bits per second; 0 with no item.
    int bitRate() const;
    // A media item for any file, read without playing it.
    MediaItem newMedia(const QString &path) const;

    // settings
    int volume() const;
    void setVolume(int percent);
    bool mute() const;
    void setMute(bool muted);

    MediaEngine &engine();

signals:
    // The play state or the current item changed.
    void StatusChange();
    // A new item has started (playing, or paused at its start): it is currentMedia() now. Comes
    // right after the StatusChange that reports it.
    void itemStarted();
    // The position was moved to `seconds`, whoever moved it.
    void seeked(double seconds);
    // The volume changed, whoever changed it.
    void volumeChanged(int percent);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
