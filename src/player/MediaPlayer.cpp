#include "player/MediaPlayer.h"

#include "platform/MediaEngine.h"
#include "platform/TagReader.h"
#include "player/AsxPlaylist.h"

#include <QList>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <utility>

namespace {

constexpr double kFastSpeed = 5.0;
constexpr int kStartVolume = 50;

bool isPlaylist(const QString &path) {
    return path.endsWith(QLatin1String(".asx"), Qt::CaseInsensitive);
}

// The file name without its last extension; the whole file name when that would leave
// nothing (".mp3"), so that an item always has a name.
QString fileTitle(const QString &path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

} // namespace

struct MediaPlayer::Impl {
    // One thing to play: a file given as the URL, or an entry of a playlist with the
    // alternatives it lists and the author and title the playlist gives it.
    struct Slot {
        QStringList refs;
        QString author;
        QString title;
    };

    MediaPlayer *q;
    std::unique_ptr<MediaEngine> engine;
    const TagReader &tags;

    QString url;
    QList<Slot> queue;
    qsizetype index = 0;      // slot being played, or queue.size() once all have been played
    qsizetype refIndex = 0;   // alternative of that slot being tried
    bool active = false;      // a file of ours is with the engine (opening or playing)
    bool opening = false;     // ... and has not been reported started yet
    bool openPaused = false;  // ... and is to start paused
    bool startPaused = false; // the next file opened starts paused
    bool cued = false;        // a stopped player holds a URL that play() will start
    MediaItem pending;        // what that file will be once it starts
    std::optional<MediaItem> current;

    PlayState reported = PlayState::Stopped;
    bool itemChanged = false;

    Impl(MediaPlayer *owner, std::unique_ptr<MediaEngine> e, const TagReader &t)
        : q(owner), engine(std::move(e)), tags(t) {}

    MediaItem itemFor(const QString &path, const QString &author, const QString &title) const {
        const MediaFacts facts = tags.readFacts(path);
        const QString itemAuthor = author.isEmpty() ? facts.artist : author;
        QString name = title;
        if (name.isEmpty())
            name = facts.title.isEmpty() ? fileTitle(path) : facts.title;
        return MediaItem(path, itemAuthor, name, double(facts.lengthMs) / 1000.0, facts.bitrate);
    }

    void dropCurrent() {
        if (current) {
            current.reset();
            itemChanged = true;
        }
    }

    // Opens the next thing to try, from (index, refIndex) on; false when nothing is left.
    bool openNext() {
        while (index < queue.size()) {
            const Slot &slot = queue.at(index);
            if (refIndex < slot.refs.size()) {
                const QString path = slot.refs.at(refIndex);
                pending = itemFor(path, slot.author, slot.title);
                dropCurrent();
                active = true;
                opening = true;
                openPaused = startPaused;
                cued = false;
                // The engine reports its state change from inside open(); update() must
                // already see the new item as on its way.
                engine->open(path);
                if (std::exchange(startPaused, false))
                    engine->setPaused(true);
                return true;
            }
            ++index;
            refIndex = 0;
        }
        active = false;
        opening = false;
        return false;
    }

    PlayState computeState() const {
        // Engines change their state just before they report the start; until the item has
        // been taken as current it is still on its way.
        if (opening)
            return openPaused ? PlayState::Paused : PlayState::Transitioning;
        switch (engine->state()) {
        case MediaEngine::State::Idle:
            return PlayState::Stopped;
        case MediaEngine::State::Loading:
            return PlayState::Transitioning;
        case MediaEngine::State::Paused:
            return PlayState::Paused;
        case MediaEngine::State::Playing:
            if (engine->isBackward())
                return PlayState::FastReversing;
            if (engine->speed() > 1.0)
                return PlayState::FastForwarding;
            return PlayState::Playing;
        }
        return PlayState::Stopped;
    }

    void update() {
        const PlayState state = computeState();
        if (state == reported && !itemChanged)
            return;
        reported = state;
        itemChanged = false;
        emit q->StatusChange();
    }

    void onStarted() {
        if (!opening)
            return;
        opening = false;
        MediaItem item = pending;
        if (item.duration() <= 0 && engine->duration() > 0)
            item = MediaItem(item.sourceURL(), item.getItemInfo(QStringLiteral("author")),
                             item.getItemInfo(QStringLiteral("name")), engine->duration(),
                             item.bitRate());
        current = item;
        itemChanged = true;
        update();
        emit q->itemStarted();
    }

    void onFinished(bool failed) {
        if (!active)
            return;
        const bool wasOpening = opening;
        active = false;
        opening = false;
        if (failed && wasOpening) {
            ++refIndex; // the next alternative of the same entry
        } else {
            ++index;
            refIndex = 0;
        }
        // What has played to its end stays the current item, as a stopped player keeps it;
        // only the next thing to play replaces it.
        openNext();
        update();
    }
};

MediaPlayer::MediaPlayer(std::unique_ptr<MediaEngine> engine, const TagReader &tags,
                         QObject *parent)
    : QObject(parent), d(std::make_unique<Impl>(this, std::move(engine), tags)) {
    MediaEngine *e = d->engine.get();
    connect(e, &MediaEngine::started, this, [this] { d->onStarted(); });
    connect(e, &MediaEngine::finished, this, [this](bool failed) { d->onFinished(failed); });
    connect(e, &MediaEngine::stateChanged, this, [this] { d->update(); });
    e->setVolume(kStartVolume);
    e->setMuted(false);
}

MediaPlayer::~MediaPlayer() {
    // The engine goes with d, after this object has stopped being a MediaPlayer.
    d->engine->disconnect(this);
}

void MediaPlayer::setURL(const QString &url) {
    load(url, Start::Playing);
}

void MediaPlayer::load(const QString &url, Start start) {
    d->url = url;
    d->startPaused = false;
    d->cued = false;
    d->queue.clear();
    d->index = 0;
    d->refIndex = 0;
    d->active = false;
    d->opening = false;
    d->dropCurrent();
    if (isPlaylist(url)) {
        const AsxPlaylist playlist = AsxPlaylist::load(url);
        if (playlist.isValid()) {
            for (const AsxPlaylist::Entry &entry : playlist.entries()) {
                const QString author = entry.author.isEmpty() ? playlist.author() : entry.author;
                d->queue.append({entry.refs, author, entry.title});
            }
        }
    } else if (!url.isEmpty()) {
        d->queue.append({QStringList{url}, QString(), QString()});
    }
    if (start == Start::Stopped) {
        d->engine->stop();
        d->cued = !d->queue.isEmpty();
        if (d->cued) {
            const Impl::Slot &first = d->queue.constFirst();
            d->pending = d->itemFor(first.refs.value(0), first.author, first.title);
        }
    } else {
        d->startPaused = start == Start::Paused;
        if (!d->openNext())
            d->engine->stop();
    }
    d->update();
}

QString MediaPlayer::URL() const {
    return d->url;
}

void MediaPlayer::play() {
    if (d->engine->state() == MediaEngine::State::Idle) {
        // Stopped, or at the end: start the current entry (or the first, after the last)
        // from its beginning.
        if (d->active || d->queue.isEmpty())
            return;
        if (d->index >= d->queue.size()) {
            d->index = 0;
            d->refIndex = 0;
        }
        if (!d->openNext())
            d->engine->stop();
        d->update();
        return;
    }
    d->openPaused = false;
    d->engine->setBackward(false);
    d->engine->setSpeed(1.0);
    d->engine->setPaused(false);
    d->update();
}

void MediaPlayer::pause() {
    if (d->engine->state() == MediaEngine::State::Idle)
        return;
    d->openPaused = d->opening;
    d->engine->setPaused(true);
    d->update();
}

void MediaPlayer::playPause() {
    if (playState() == PlayState::Playing)
        pause();
    else
        play();
}

void MediaPlayer::stop() {
    d->active = false;
    d->opening = false;
    d->engine->stop();
    d->update();
}

void MediaPlayer::fastForward() {
    if (d->engine->state() == MediaEngine::State::Idle)
        return;
    d->openPaused = false;
    d->engine->setBackward(false);
    d->engine->setSpeed(kFastSpeed);
    d->engine->setPaused(false);
}

void MediaPlayer::fastReverse() {
    if (d->engine->state() == MediaEngine::State::Idle)
        return;
    d->openPaused = false;
    d->engine->setBackward(true);
    d->engine->setSpeed(kFastSpeed);
    d->engine->setPaused(false);
}

double MediaPlayer::currentPosition() const {
    if (!d->active || d->opening || !d->current)
        return 0.0;
    const MediaEngine::State state = d->engine->state();
    if (state != MediaEngine::State::Playing && state != MediaEngine::State::Paused)
        return 0.0;
    return std::max(0.0, d->engine->position());
}

void MediaPlayer::setCurrentPosition(double seconds) {
    if (!d->active || d->opening)
        return;
    seconds = std::max(0.0, seconds);
    d->engine->seek(seconds);
    emit seeked(seconds);
}

MediaPlayer::PlayState MediaPlayer::playState() const {
    return d->computeState();
}

bool MediaPlayer::canPlay() const {
    return !d->queue.isEmpty();
}

const MediaItem *MediaPlayer::currentMedia() const {
    return d->current ? &*d->current : nullptr;
}

const MediaItem *MediaPlayer::openingMedia() const {
    return d->opening ? &d->pending : nullptr;
}

const MediaItem *MediaPlayer::cuedMedia() const {
    return d->cued && !d->active ? &d->pending : nullptr;
}

int MediaPlayer::bitRate() const {
    return d->current ? d->current->bitRate() : 0;
}

MediaItem MediaPlayer::newMedia(const QString &path) const {
    if (isPlaylist(path)) {
        const AsxPlaylist playlist = AsxPlaylist::load(path);
        const QString name = playlist.title().isEmpty() ? fileTitle(path) : playlist.title();
        return MediaItem(path, playlist.author(), name, 0.0, 0);
    }
    return d->itemFor(path, QString(), QString());
}

int MediaPlayer::volume() const {
    return d->engine->volume();
}

void MediaPlayer::setVolume(int percent) {
    const int before = d->engine->volume();
    d->engine->setVolume(std::clamp(percent, 0, 100));
    if (d->engine->volume() != before)
        emit volumeChanged(d->engine->volume());
}

bool MediaPlayer::mute() const {
    return d->engine->isMuted();
}

void MediaPlayer::setMute(bool muted) {
    d->engine->setMuted(muted);
}

MediaEngine &MediaPlayer::engine() {
    return *d->engine;
}
