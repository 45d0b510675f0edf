#include "mpris/MprisPlayer.h"

#include "mpris/RemotePlayer.h"

#include <QDBusContext>
#include <QDBusError>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <limits>

QDBusObjectPath MprisPlayer::trackId(int number) {
    // Paths under /org/mpris are the interface's own (TrackList/NoTrack among them).
    return QDBusObjectPath(QStringLiteral("/org/zandoramp/track/%1").arg(number));
}

MprisPlayer::MprisPlayer(RemotePlayer &player, QObject *object)
    : QDBusAbstractAdaptor(object), m_player(player) {
    connect(&player, &RemotePlayer::seeked, this, &MprisPlayer::Seeked);
}

QString MprisPlayer::playbackStatus() const {
    switch (m_player.status()) {
    case RemotePlayer::Status::Playing:
        return QStringLiteral("Playing");
    case RemotePlayer::Status::Paused:
        return QStringLiteral("Paused");
    case RemotePlayer::Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

void MprisPlayer::setRate(double rate) {
    // Only the normal rate is offered; a rate of 0 means pause, as the interface asks.
    if (rate == 0.0)
        m_player.pause();
}

QVariantMap MprisPlayer::metadata() const {
    const RemotePlayer::Track track = m_player.track();
    if (track.number <= 0)
        return {};
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId(track.number)));
    if (track.lengthUs > 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(track.lengthUs));
    map.insert(QStringLiteral("xesam:title"), track.title);
    if (!track.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
    map.insert(QStringLiteral("xesam:url"),
               QUrl::fromLocalFile(track.path).toString(QUrl::FullyEncoded));
    return map;
}

double MprisPlayer::volume() const {
    return m_player.volumePercent() / 100.0;
}

void MprisPlayer::setVolume(double volume) {
    if (!std::isfinite(volume))
        return;
    m_player.setVolumePercent(int(std::lround(std::clamp(volume, 0.0, 1.0) * 100.0)));
}

qlonglong MprisPlayer::position() const {
    return m_player.positionUs();
}

bool MprisPlayer::canGoNext() const {
    return m_player.canGoNext();
}

bool MprisPlayer::canPlay() const {
    return m_player.canPlay();
}

bool MprisPlayer::canPause() const {
    return m_player.canPlay();
}

bool MprisPlayer::canSeek() const {
    return m_player.canSeek();
}

void MprisPlayer::Play() {
    m_player.play();
}

void MprisPlayer::Pause() {
    m_player.pause();
}

void MprisPlayer::PlayPause() {
    m_player.playPause();
}

void MprisPlayer::Stop() {
    m_player.stop();
}

void MprisPlayer::Next() {
    if (m_player.canGoNext())
        m_player.next();
}

void MprisPlayer::Seek(qlonglong offset) {
    if (!m_player.canSeek())
        return;
    // Saturated: a client may well send the largest offset there is for "to the end".
    qint64 target = 0;
    if (__builtin_add_overflow(m_player.positionUs(), offset, &target))
        target = offset > 0 ? std::numeric_limits<qint64>::max() : 0;
    target = std::max<qint64>(0, target);
    const qint64 length = m_player.track().lengthUs;
    // Past the end is the next track, as the interface asks.
    if (length > 0 && target > length)
        Next();
    else
        m_player.setPositionUs(target);
}

void MprisPlayer::SetPosition(const QDBusObjectPath &track, qlonglong position) {
    // A position meant for another track, or outside this one, is stale and ignored.
    const RemotePlayer::Track current = m_player.track();
    if (!m_player.canSeek() || track != trackId(current.number) || position < 0 ||
        (current.lengthUs > 0 && position > current.lengthUs))
        return;
    m_player.setPositionUs(position);
}

void MprisPlayer::OpenUri(const QString &uri) {
    const QUrl url(uri);
    QString error;
    if (!url.isLocalFile())
        error = QStringLiteral("Only file:// addresses can be opened: %1").arg(uri);
    else if (!m_player.openFile(url.toLocalFile()))
        error = QStringLiteral("Not in the library: %1").arg(url.toLocalFile());
    // QtDBus keeps the call's context on the object the adaptor is attached to.
    const auto *call = dynamic_cast<const QDBusContext *>(parent());
    if (!error.isEmpty() && call && call->calledFromDBus())
        call->sendErrorReply(QDBusError::InvalidArgs, error);
}
