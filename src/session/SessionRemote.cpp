#include "session/SessionRemote.h"

#include "library/Library.h"
#include "session/NowPlaying.h"
#include "session/Session.h"

#include <QDir>
#include <cmath>

namespace {

constexpr double kMicroseconds = 1e6;

bool isFast(MediaPlayer::PlayState state) {
    return state == MediaPlayer::PlayState::FastForwarding ||
           state == MediaPlayer::PlayState::FastReversing;
}

} // namespace

SessionRemote::SessionRemote(QObject *parent) : RemotePlayer(parent) {
    m_fastSeeked.setInterval(kFastSeekedMs);
    connect(&m_fastSeeked, &QTimer::timeout, this, [this] { emit seeked(positionUs()); });
}

void SessionRemote::follow(Session *session, View view) {
    if (m_session) {
        m_session->disconnect(this);
        m_session->player().disconnect(this);
    }
    m_session = session;
    m_view = std::move(view);
    m_lastState = MediaPlayer::PlayState::Stopped;
    m_fastSeeked.stop();
    if (session) {
        connect(session, &Session::playStateChanged, this, &SessionRemote::onStateChanged);
        connect(session, &Session::itemStarted, this, &SessionRemote::announce);
        connect(session, &Session::seeked, this, [this](double seconds) {
            emit seeked(qint64(std::llround(seconds * kMicroseconds)));
        });
        // Next depends on the library having entries.
        connect(session, &Session::libraryChanged, this, &RemotePlayer::changed);
        connect(&session->player(), &MediaPlayer::volumeChanged, this, &RemotePlayer::changed);
        connect(session, &QObject::destroyed, this, &RemotePlayer::changed, Qt::QueuedConnection);
    }
    emit changed();
}

MediaPlayer *SessionRemote::player() const {
    return m_session ? &m_session->player() : nullptr;
}

void SessionRemote::onStateChanged(MediaPlayer::PlayState state) {
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

RemotePlayer::Status SessionRemote::status() const {
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

RemotePlayer::Track SessionRemote::track() const {
    Track track;
    if (!player())
        return track;
    // While the next item is on its way it is already the track: an empty one would read as
    // "nothing plays" in the middle of playing.
    const MediaItem *media = player()->currentMedia();
    if (!media)
        media = player()->openingMedia();
    // Loaded by Next into a stopped player: what Play will start.
    if (!media)
        media = player()->cuedMedia();
    if (!media)
        return track;
    const int row = m_session->nowPlaying().entry();
    track.number = row + 1;
    track.title = media->getItemInfo(QStringLiteral("name"));
    track.artist = media->getItemInfo(QStringLiteral("author"));
    track.path = media->sourceURL();
    track.lengthUs = qint64(std::llround(media->duration() * kMicroseconds));
    return track;
}

qint64 SessionRemote::positionUs() const {
    return player() ? qint64(std::llround(player()->currentPosition() * kMicroseconds)) : 0;
}

int SessionRemote::volumePercent() const {
    return player() ? player()->volume() : 0;
}

bool SessionRemote::canPlay() const {
    return player() && player()->canPlay();
}

bool SessionRemote::canSeek() const {
    if (!player() || !player()->currentMedia() || player()->currentMedia()->duration() <= 0)
        return false;
    const MediaPlayer::PlayState state = player()->playState();
    return state != MediaPlayer::PlayState::Stopped &&
           state != MediaPlayer::PlayState::Transitioning;
}

bool SessionRemote::canGoNext() const {
    return m_session && m_session->library().count() > 0;
}

bool SessionRemote::canRaise() const {
    return bool(m_view.raise);
}

void SessionRemote::play() {
    if (player())
        player()->play();
}

void SessionRemote::pause() {
    if (player())
        player()->pause();
}

void SessionRemote::playPause() {
    if (!player())
        return;
    // While a track is on its way the desktop reads Playing, so its PlayPause means pause.
    if (player()->playState() == MediaPlayer::PlayState::Transitioning)
        player()->pause();
    else
        player()->playPause();
}

void SessionRemote::stop() {
    if (player())
        player()->stop();
}

void SessionRemote::next() {
    if (!canGoNext())
        return;
    // A random entry as the chat's "r" draws one; a paused or stopped player stays so, the entry
    // loaded paused or waiting for Play.
    MediaPlayer::Start start = MediaPlayer::Start::Playing;
    if (status() == Status::Paused)
        start = MediaPlayer::Start::Paused;
    else if (status() == Status::Stopped)
        start = MediaPlayer::Start::Stopped;
    m_session->loadRandom(start);
    announce();
}

void SessionRemote::announce() {
    // The item on its way is told once it has started (or failed): desktops redraw their widget
    // at every change, and one change per new track is all there is to show.
    if (player() && player()->playState() != MediaPlayer::PlayState::Transitioning)
        emit changed();
}

void SessionRemote::setPositionUs(qint64 position) {
    if (player())
        player()->setCurrentPosition(double(position) / kMicroseconds);
}

void SessionRemote::setVolumePercent(int percent) {
    if (player())
        player()->setVolume(percent);
}

bool SessionRemote::openFile(const QString &path) {
    if (!m_session)
        return false;
    const QString wanted = QDir::cleanPath(path);
    const Library &library = m_session->library();
    for (int row = 0; row < library.count(); ++row) {
        if (QDir::cleanPath(library.fullPath(row)) == wanted) {
            m_session->startEntry(row);
            return true;
        }
    }
    return false;
}

void SessionRemote::raise() {
    if (m_session && m_view.raise)
        m_view.raise();
}

void SessionRemote::quit() {
    if (m_session && m_view.quit)
        m_view.quit();
}
