#include "app/WindowRemote.h"

#include "app/MainWindow.h"
#include "app/PlayerPanel.h"
#include "commands/CommandInterpreter.h"
#include "library/Library.h"
#include "tray/TrayControl.h"

#include <QDir>
#include <cmath>

namespace {

constexpr double kMicroseconds = 1e6;

bool isFast(MediaPlayer::PlayState state) {
    return state == MediaPlayer::PlayState::FastForwarding ||
           state == MediaPlayer::PlayState::FastReversing;
}

} // namespace

WindowRemote::WindowRemote(QObject *parent) : RemotePlayer(parent) {
    m_fastSeeked.setInterval(kFastSeekedMs);
    connect(&m_fastSeeked, &QTimer::timeout, this, [this] { emit seeked(positionUs()); });
}

void WindowRemote::follow(MainWindow *window) {
    if (m_window) {
        m_window->player().disconnect(this);
        m_window->songs().disconnect(this);
    }
    m_window = window;
    m_lastState = MediaPlayer::PlayState::Stopped;
    m_fastSeeked.stop();
    if (window) {
        MediaPlayer &media = window->player();
        connect(&media, &MediaPlayer::StatusChange, this, &WindowRemote::onStatusChange);
        connect(&media, &MediaPlayer::volumeChanged, this, &RemotePlayer::changed);
        connect(&media, &MediaPlayer::seeked, this, [this](double seconds) {
            emit seeked(qint64(std::llround(seconds * kMicroseconds)));
        });
        Library &library = window->songs();
        // Next depends on the library having entries.
        connect(&library, &Library::rowsInserted, this, &RemotePlayer::changed);
        connect(&library, &Library::rowsRemoved, this, &RemotePlayer::changed);
        connect(&library, &Library::modelReset, this, &RemotePlayer::changed);
        connect(window, &QObject::destroyed, this, &RemotePlayer::changed, Qt::QueuedConnection);
    }
    emit changed();
}

MediaPlayer *WindowRemote::player() const {
    return m_window ? &m_window->player() : nullptr;
}

void WindowRemote::onStatusChange() {
    if (!player()) {
        emit changed();
        return;
    }
    const MediaPlayer::PlayState state = player()->playState();
    // Fast forward and reverse move the position five times as fast as the desktop counts: it
    // hears the position as they start, every second while they last, and where playing
    // resumes.
    const bool fastBegan = !isFast(m_lastState) && isFast(state);
    const bool fastEnded = isFast(m_lastState) && !isFast(state);
    m_lastState = state;
    if (fastBegan)
        m_fastSeeked.start();
    else if (fastEnded)
        m_fastSeeked.stop();
    announce();
    if (fastBegan || (fastEnded && state != MediaPlayer::PlayState::Stopped))
        emit seeked(positionUs());
}

RemotePlayer::Status WindowRemote::status() const {
    if (!player())
        return Status::Stopped;
    switch (player()->playState()) {
    case MediaPlayer::PlayState::Stopped:
        return Status::Stopped;
    case MediaPlayer::PlayState::Paused:
        return Status::Paused;
    case MediaPlayer::PlayState::Transitioning:
    case MediaPlayer::PlayState::Playing:
    case MediaPlayer::PlayState::FastForwarding:
    case MediaPlayer::PlayState::FastReversing:
        break;
    }
    return Status::Playing;
}

RemotePlayer::Track WindowRemote::track() const {
    Track track;
    if (!player())
        return track;
    // While the next item is on its way it is already the track: an empty one would read as
    // "nothing plays" in the middle of playing.
    const MediaItem *media = player()->currentMedia();
    if (!media)
        media = player()->openingMedia();
    if (!media)
        return track;
    const int row = m_window->panel().currentEntry();
    track.number = row + 1;
    track.title = media->getItemInfo(QStringLiteral("name"));
    track.artist = media->getItemInfo(QStringLiteral("author"));
    track.path = media->sourceURL();
    track.lengthUs = qint64(std::llround(media->duration() * kMicroseconds));
    return track;
}

qint64 WindowRemote::positionUs() const {
    return player() ? qint64(std::llround(player()->currentPosition() * kMicroseconds)) : 0;
}

int WindowRemote::volumePercent() const {
    return player() ? player()->volume() : 0;
}

bool WindowRemote::canPlay() const {
    return player() && player()->canPlay();
}

bool WindowRemote::canSeek() const {
    if (!player() || !player()->currentMedia() || player()->currentMedia()->duration() <= 0)
        return false;
    const MediaPlayer::PlayState state = player()->playState();
    return state != MediaPlayer::PlayState::Stopped &&
           state != MediaPlayer::PlayState::Transitioning;
}

bool WindowRemote::canGoNext() const {
    return m_window && m_window->songs().count() > 0;
}

void WindowRemote::play() {
    if (player())
        player()->play();
}

void WindowRemote::pause() {
    if (player())
        player()->pause();
}

void WindowRemote::playPause() {
    if (!player())
        return;
    // While a track is on its way the desktop reads Playing, so its PlayPause means pause.
    if (player()->playState() == MediaPlayer::PlayState::Transitioning)
        player()->pause();
    else
        player()->playPause();
}

void WindowRemote::stop() {
    if (player())
        player()->stop();
}

void WindowRemote::next() {
    if (!canGoNext())
        return;
    // A paused or stopped player stays so: the random entry is loaded, not started, unlike the
    // chat's "r".
    const Status before = status();
    m_holdChanges = true;
    m_window->interpreter().playRandom();
    if (before == Status::Paused)
        player()->pause();
    else if (before == Status::Stopped)
        player()->stop();
    m_holdChanges = false;
    announce();
}

void WindowRemote::announce() {
    // The item on its way is told once it has started (or failed): desktops redraw their widget
    // at every change, and one change per new track is all there is to show.
    if (!m_holdChanges && player()->playState() != MediaPlayer::PlayState::Transitioning)
        emit changed();
}

void WindowRemote::setPositionUs(qint64 position) {
    if (player())
        player()->setCurrentPosition(double(position) / kMicroseconds);
}

void WindowRemote::setVolumePercent(int percent) {
    if (player())
        player()->setVolume(percent);
}

bool WindowRemote::openFile(const QString &path) {
    if (!m_window)
        return false;
    const QString wanted = QDir::cleanPath(path);
    const Library &library = m_window->songs();
    for (int row = 0; row < library.count(); ++row) {
        if (QDir::cleanPath(library.fullPath(row)) == wanted) {
            m_window->startEntry(row);
            return true;
        }
    }
    return false;
}

void WindowRemote::raise() {
    if (!m_window)
        return;
    // Hidden means in the tray: back as the tray's Show brings it.
    if (m_window->isHidden())
        m_window->tray().showWindow();
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->raise();
    m_window->activateWindow();
}

void WindowRemote::quit() {
    if (m_window)
        m_window->tray().unload();
}
