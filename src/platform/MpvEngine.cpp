#include "platform/MpvEngine.h"

#include "platform/AudioLibraryLog.h"
#include "platform/FileNames.h"

#include <QByteArray>
#include <QDir>
#include <QMetaObject>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <mpv/client.h>
#include <sys/stat.h>

namespace {

// A file that has not produced any sound within this time after mpv began playing it is only
// taken as started if it has not ended by then. A truncated file decodes a few frames and hits
// its end within a millisecond or two; without this wait it would flash by as a new item.
constexpr int kStartConfirmMs = 120;

constexpr std::uint64_t kObserveDuration = 1;

bool isRegularFile(const QByteArray &name) {
    struct stat info {};
    return ::stat(name.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// Absolute, so that mpv never reads a name such as "edl://x" or "av://x" as a protocol.
QByteArray absoluteName(const QByteArray &name) {
    if (name.startsWith('/'))
        return name;
    return FileNames::encode(QDir::currentPath()) + '/' + name;
}

void setOption(mpv_handle *mpv, const char *name, const char *value) {
    mpv_set_option_string(mpv, name, value);
}

} // namespace

MpvEngine::MpvEngine(const QString &audioOutputs, QObject *parent) : MediaEngine(parent) {
    m_startConfirm.setSingleShot(true);
    m_startConfirm.setInterval(kStartConfirmMs);
    connect(&m_startConfirm, &QTimer::timeout, this, &MpvEngine::confirmStart);

    // mpv refuses to start under a locale whose decimal separator is not '.'; QCoreApplication
    // has already applied the user's locale by the time any engine is made.
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle *mpv = mpv_create();
    if (!mpv)
        return;

    const QByteArray outputs =
        audioOutputs.isEmpty() ? QByteArrayLiteral("null") : audioOutputs.toUtf8();
    // Audio only: cover art in mp3 files is a video track to mpv and would open a window.
    setOption(mpv, "vid", "no");
    setOption(mpv, "vo", "null");
    setOption(mpv, "audio-display", "no");
    setOption(mpv, "force-window", "no");
    // Nothing from the user's mpv setup, and no input or on-screen interface of mpv's own.
    setOption(mpv, "config", "no");
    setOption(mpv, "load-scripts", "no");
    setOption(mpv, "osc", "no");
    setOption(mpv, "load-stats-overlay", "no");
    setOption(mpv, "load-osd-console", "no");
    setOption(mpv, "load-auto-profiles", "no");
    setOption(mpv, "ytdl", "no");
    setOption(mpv, "terminal", "no");
    setOption(mpv, "input-default-bindings", "no");
    setOption(mpv, "input-vo-keyboard", "no");
    setOption(mpv, "input-media-keys", "no");
    setOption(mpv, "resume-playback", "no");
    setOption(mpv, "save-position-on-quit", "no");
    // Stay alive with nothing loaded, and let a file that ends really end.
    setOption(mpv, "idle", "yes");
    setOption(mpv, "keep-open", "no");
    // mpv tries the outputs of the list in order and takes the first that opens; the fallback
    // covers a list whose last entry is not the silent one.
    setOption(mpv, "ao", outputs.constData());
    setOption(mpv, "audio-fallback-to-null", "yes");
    setOption(mpv, "volume", "50");

    if (mpv_initialize(mpv) < 0) {
        mpv_terminate_destroy(mpv);
        return;
    }
    m_mpv = mpv;
    // With "terminal" off mpv prints nothing itself; its warnings (an audio output that would
    // not open, a file it cannot read) arrive as events and go to the debug log.
    mpv_request_log_messages(m_mpv, "warn");
    // Only properties that change rarely are observed; the position is read when asked for,
    // so playback costs no event traffic per audio frame.
    mpv_observe_property(m_mpv, kObserveDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_set_wakeup_callback(m_mpv, &MpvEngine::onWakeup, this);
}

MpvEngine::~MpvEngine() {
    if (!m_mpv)
        return;
    // mpv calls the wakeup callback under a lock that mpv_set_wakeup_callback also takes, so
    // once this returns no mpv thread is inside onWakeup or can enter it; drains already posted
    // to this object are dropped by ~QObject.
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    mpv_terminate_destroy(m_mpv);
    m_mpv = nullptr;
}

QString MpvEngine::defaultAudioOutputs() {
    return QStringLiteral("pipewire,pulse,alsa,null");
}

QString MpvEngine::currentAudioOutput() const {
    if (!m_mpv)
        return {};
    char *name = mpv_get_property_string(m_mpv, "current-ao");
    const QString result = name ? QString::fromUtf8(name) : QString();
    mpv_free(name);
    return result;
}

void MpvEngine::onWakeup(void *self) {
    // Runs on one of mpv's threads: touch nothing but the flag, and queue at most one drain
    // however many events arrive before the UI thread gets to it.
    auto *engine = static_cast<MpvEngine *>(self);
    if (!engine->m_drainQueued.exchange(true))
        QMetaObject::invokeMethod(engine, &MpvEngine::drainEvents, Qt::QueuedConnection);
}

void MpvEngine::drainEvents() {
    // Cleared before reading, so that an event arriving during the drain queues another one.
    m_drainQueued.store(false);
    if (!m_mpv)
        return;
    for (;;) {
        mpv_event *event = mpv_wait_event(m_mpv, 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

void MpvEngine::handleEvent(const mpv_event &event) {
    switch (event.event_id) {
    case MPV_EVENT_START_FILE:
        m_activeEntryId = static_cast<const mpv_event_start_file *>(event.data)->playlist_entry_id;
        break;
    case MPV_EVENT_FILE_LOADED:
        if (m_fixDirectionOnLoad && m_entryId != 0 && m_activeEntryId == m_entryId) {
            // The file was loaded paused (see load()); this seek makes mpv take up the
            // forward direction, and only then does the sound start.
            const char *cmd[] = {"seek", "0", "absolute", nullptr};
            mpv_command(m_mpv, cmd);
            int flag = m_paused ? 1 : 0;
            mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &flag);
            m_fixDirectionOnLoad = false;
            m_directionMayBeBackward = m_backward; // reversed again while it was loading
        }
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        // Sent when playback begins and after every seek; it carries no entry id, so it counts
        // only while mpv works on the entry we opened.
        if (m_entryId != 0 && m_activeEntryId == m_entryId && !m_started &&
            !m_startConfirm.isActive())
            m_startConfirm.start();
        break;
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event.data);
        if (end->playlist_entry_id == m_activeEntryId)
            m_activeEntryId = 0;
        handleEndFile(end->playlist_entry_id, end->reason);
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        if (event.reply_userdata != kObserveDuration)
            break;
        const auto *property = static_cast<const mpv_event_property *>(event.data);
        m_duration = property->format == MPV_FORMAT_DOUBLE
                         ? std::max(0.0, *static_cast<const double *>(property->data))
                         : 0.0;
        break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
        const auto *message = static_cast<const mpv_event_log_message *>(event.data);
        qCDebug(lcAudio, "mpv %s: %s", message->prefix,
                QByteArray(message->text).trimmed().constData());
        break;
    }
    default:
        break;
    }
}

void MpvEngine::handleEndFile(std::int64_t entryId, int reason) {
    if (entryId == 0 || entryId != m_entryId)
        return; // a file replaced by open() or unloaded by stop()
    const bool played = m_started && reason == MPV_END_FILE_REASON_EOF;
    if (reason == MPV_END_FILE_REASON_REDIRECT) {
        // The "file" was a playlist (m3u, pls, ...) that mpv expanded and would now go on to
        // play entry by entry behind our back. Only our own playlists are followed.
        const char *cmd[] = {"stop", nullptr};
        mpv_command(m_mpv, cmd);
    }
    forgetEntry();
    setState(State::Idle);
    emit finished(!played);
}

void MpvEngine::confirmStart() {
    // The file may have ended meanwhile with the news still queued: read it first.
    drainEvents();
    if (m_entryId == 0 || m_started)
        return;
    m_started = true;
    double length = 0;
    if (mpv_get_property(m_mpv, "duration", MPV_FORMAT_DOUBLE, &length) >= 0)
        m_duration = std::max(0.0, length);
    setState(m_paused ? State::Paused : State::Playing);
    emit started();
}

void MpvEngine::failLater() {
    // Reported from the event loop, never from inside open(), so callers that react to a
    // failure by opening the next file are not re-entered.
    const std::uint64_t serial = m_openSerial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial != m_openSerial)
                return;
            setState(State::Idle);
            emit finished(true);
        },
        Qt::QueuedConnection);
}

void MpvEngine::forgetEntry() {
    m_entryId = 0;
    m_started = false;
    m_duration = 0;
    m_startConfirm.stop();
    m_fixDirectionOnLoad = false;
}

void MpvEngine::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

void MpvEngine::open(const QString &path) {
    ++m_openSerial;
    forgetEntry();
    m_paused = false;
    m_speed = 1.0;
    m_backward = false;
    m_state = State::Loading;
    if (!m_mpv || !load(path))
        failLater();
    emit stateChanged();
}

bool MpvEngine::load(const QString &path) {
    // mpv carries out a change of direction as a seek, and takes the direction over into the
    // next file only once such a seek has run; a seek queued just before loadfile is dropped
    // with the old file. So after any backward playback the next file would start backward
    // from its end. It is loaded paused instead, and turned forward by a seek to its start
    // when it has loaded.
    m_fixDirectionOnLoad = m_directionMayBeBackward;
    int pauseFlag = m_fixDirectionOnLoad ? 1 : 0;
    double normal = 1.0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &pauseFlag);
    mpv_set_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &normal);
    mpv_set_property_string(m_mpv, "play-dir", "forward");

    // Only regular files: mpv would block on a FIFO, expand a folder into a playlist of its
    // own, or fetch a URL.
    const QByteArray name = absoluteName(FileNames::encode(path));
    if (path.isEmpty() || !isRegularFile(name)) {
        const char *cmd[] = {"stop", nullptr};
        mpv_command(m_mpv, cmd);
        return false;
    }

    // mpv takes file names as bytes on this platform, so a name that is not valid UTF-8 is
    // passed through untouched.
    mpv_node args[2];
    args[0].format = MPV_FORMAT_STRING;
    args[0].u.string = const_cast<char *>("loadfile");
    args[1].format = MPV_FORMAT_STRING;
    args[1].u.string = const_cast<char *>(name.constData());
    mpv_node_list list{};
    list.num = 2;
    list.values = args;
    mpv_node command{};
    command.format = MPV_FORMAT_NODE_ARRAY;
    command.u.list = &list;
    mpv_node result{};
    if (mpv_command_node(m_mpv, &command, &result) < 0)
        return false;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64)
                m_entryId = result.u.list->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
    // The events of this entry are read only after this returns (same thread), so none of
    // them can have been missed.
    return m_entryId != 0;
}

void MpvEngine::stop() {
    ++m_openSerial;
    forgetEntry();
    if (m_mpv) {
        const char *cmd[] = {"stop", nullptr};
        mpv_command(m_mpv, cmd);
    }
    setState(State::Idle);
}

void MpvEngine::setPaused(bool paused) {
    // While the direction is being set right at load, the load itself applies the pause.
    if (m_mpv && !m_fixDirectionOnLoad) {
        int flag = paused ? 1 : 0;
        mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &flag);
    }
    const bool changed = m_paused != paused;
    m_paused = paused;
    if (m_started)
        setState(paused ? State::Paused : State::Playing);
    if (changed)
        emit stateChanged();
}

void MpvEngine::setSpeed(double speed) {
    // mpv's own limits.
    speed = std::isfinite(speed) ? std::clamp(speed, 0.01, 100.0) : 1.0;
    if (m_mpv)
        mpv_set_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &speed);
    if (speed != m_speed) {
        m_speed = speed;
        emit stateChanged();
    }
}

void MpvEngine::setBackward(bool backward) {
    // mpv 0.35 plays audio backwards by demuxing it in steps from the end of each step back;
    // the change of direction is carried out as a seek to the current position, so it takes
    // effect at once without any other option.
    if (m_mpv)
        mpv_set_property_string(m_mpv, "play-dir", backward ? "backward" : "forward");
    if (backward)
        m_directionMayBeBackward = true;
    if (backward != m_backward) {
        m_backward = backward;
        emit stateChanged();
    }
}

double MpvEngine::position() const {
    if (!m_mpv || !m_started || m_entryId == 0)
        return 0.0;
    double seconds = 0;
    if (mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &seconds) < 0 ||
        !std::isfinite(seconds))
        return 0.0;
    // Backward playback overshoots the start by a fraction of a frame.
    return std::max(0.0, seconds);
}

double MpvEngine::duration() const {
    return m_entryId == 0 ? 0.0 : m_duration;
}

void MpvEngine::seek(double seconds) {
    if (!m_mpv || !m_started || !std::isfinite(seconds))
        return;
    const QByteArray target = QByteArray::number(std::max(0.0, seconds), 'f', 3);
    const char *cmd[] = {"seek", target.constData(), "absolute", nullptr};
    mpv_command(m_mpv, cmd);
}

void MpvEngine::setVolume(int percent) {
    percent = std::clamp(percent, 0, 100);
    if (m_mpv) {
        double value = percent;
        mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &value);
    }
    if (percent != m_volume) {
        m_volume = percent;
        emit stateChanged();
    }
}

void MpvEngine::setMuted(bool muted) {
    if (m_mpv) {
        int flag = muted ? 1 : 0;
        mpv_set_property(m_mpv, "mute", MPV_FORMAT_FLAG, &flag);
    }
    if (muted != m_muted) {
        m_muted = muted;
        emit stateChanged();
    }
}
