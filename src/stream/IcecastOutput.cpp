#include "stream/IcecastOutput.h"

#include "platform/ProductNames.h"
#include "stream/StreamLog.h"

#include <QTcpSocket>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <shout/shout.h>
#include <thread>

namespace {

constexpr int kFirstRetrySeconds = 1;
constexpr int kLastRetrySeconds = 60;
// Frames waiting for the server beyond this many seconds of audio are dropped, oldest first.
constexpr int kQueueSeconds = 5;

} // namespace

struct IcecastOutput::Shared {
    Target target;
    std::function<void(Status, const QString &)> report;

    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    std::deque<QByteArray> frames;
    qsizetype queuedBytes = 0;
    QString title;
    bool titleChanged = false;

    std::optional<Status> reported;

    QString where() const {
        return QStringLiteral("Icecast at %1:%2").arg(target.host).arg(target.port);
    }

    void say(Status status, const QString &text) {
        if (reported == status)
            return;
        reported = status;
        // Under the lock: once the output has been destroyed, the report is never called again.
        const std::lock_guard<std::mutex> held(lock);
        report(status, text);
    }

    // Waits until `seconds` have passed or the output is asked to end; true when it is.
    bool sleep(int seconds) {
        std::unique_lock<std::mutex> held(lock);
        wake.wait_for(held, std::chrono::seconds(seconds), [this] { return stopping; });
        return stopping;
    }

    bool isStopping() {
        const std::lock_guard<std::mutex> held(lock);
        return stopping;
    }

    shout_t *makeConnection() {
        shout_t *shout = shout_new();
        if (!shout)
            return nullptr;
        const QByteArray host = target.host.toUtf8();
        const QByteArray user = target.user.toUtf8();
        const QByteArray mount = target.mount.toUtf8();
        const QByteArray bitrate = QByteArray::number(target.bitrate);
        QByteArray password = target.password;
        const bool set =
            shout_set_host(shout, host.constData()) == SHOUTERR_SUCCESS &&
            shout_set_port(shout, target.port) == SHOUTERR_SUCCESS &&
            shout_set_user(shout, user.constData()) == SHOUTERR_SUCCESS &&
            shout_set_password(shout, password.constData()) == SHOUTERR_SUCCESS &&
            shout_set_mount(shout, mount.constData()) == SHOUTERR_SUCCESS &&
            shout_set_protocol(shout, SHOUT_PROTOCOL_HTTP) == SHOUTERR_SUCCESS &&
            // icecast:// is plain HTTP; libshout would otherwise first try to upgrade to TLS.
            shout_set_tls(shout, SHOUT_TLS_DISABLED) == SHOUTERR_SUCCESS &&
            shout_set_content_format(shout, SHOUT_FORMAT_MP3, SHOUT_USAGE_AUDIO, nullptr) ==
                SHOUTERR_SUCCESS &&
            shout_set_agent(shout, "zandoramp") == SHOUTERR_SUCCESS &&
            shout_set_meta(shout, SHOUT_META_NAME, product::kName) == SHOUTERR_SUCCESS &&
            shout_set_audio_info(shout, SHOUT_AI_BITRATE, bitrate.constData()) ==
                SHOUTERR_SUCCESS &&
            shout_set_audio_info(shout, SHOUT_AI_SAMPLERATE, "44100") == SHOUTERR_SUCCESS &&
            shout_set_audio_info(shout, SHOUT_AI_CHANNELS, "2") == SHOUTERR_SUCCESS &&
            shout_set_public(shout, 0) == SHOUTERR_SUCCESS;
        password.fill('\0');
        if (!set) {
            shout_free(shout);
            return nullptr;
        }
        return shout;
    }

    // libshout says only "login failed" for a refused password and for a mount that another
    // source holds. A listener's request for the mount tells them apart: it plays only while a
    // source holds it.
    bool mountIsLive() const {
        QTcpSocket probe;
        probe.connectToHost(target.host, target.port);
        if (!probe.waitForConnected(2000))
            return false;
        probe.write("GET " + target.mount.toUtf8() + " HTTP/1.0\r\nHost: " + target.host.toUtf8() +
                    "\r\n\r\n");
        QByteArray status;
        while (!status.contains('\n') && probe.waitForReadyRead(2000))
            status += probe.readAll();
        probe.abort();
        return status.startsWith("HTTP/1.0 200") || status.startsWith("HTTP/1.1 200") ||
               status.startsWith("ICY 200");
    }

    void sendTitle(shout_t *shout, const QString &text) {
        shout_metadata_t *metadata = shout_metadata_new();
        if (!metadata)
            return;
        // A title the server does not take leaves the old one; the audio goes on regardless.
        if (shout_metadata_add(metadata, "song", text.toUtf8().constData()) == SHOUTERR_SUCCESS &&
            shout_set_metadata_utf8(shout, metadata) != SHOUTERR_SUCCESS)
            qCDebug(lcStream, "Icecast did not take the title: %s", shout_get_error(shout));
        shout_metadata_free(metadata);
    }

    // Streams until the connection fails or the output ends; true when it ends.
    bool stream(shout_t *shout) {
        {
            // Only what is made from now on: listeners of the mount hear the present.
            const std::lock_guard<std::mutex> held(lock);
            frames.clear();
            queuedBytes = 0;
            titleChanged = true;
        }
        for (;;) {
            std::deque<QByteArray> batch;
            QString newTitle;
            bool sendTitleNow = false;
            {
                std::unique_lock<std::mutex> held(lock);
                wake.wait_for(held, std::chrono::milliseconds(500),
                              [this] { return stopping || !frames.empty() || titleChanged; });
                if (stopping)
                    return true;
                batch.swap(frames);
                queuedBytes = 0;
                if (titleChanged) {
                    titleChanged = false;
                    sendTitleNow = true;
                    newTitle = title;
                }
            }
            if (sendTitleNow && !newTitle.isEmpty())
                sendTitle(shout, newTitle);
            for (const QByteArray &frame : batch) {
                if (shout_send(shout, reinterpret_cast<const unsigned char *>(frame.constData()),
                               size_t(frame.size())) != SHOUTERR_SUCCESS)
                    return false;
            }
        }
    }

    void run() {
        // One libshout handle for every attempt: libshout 2.4's shout_free() frees nothing once
        // the handle has been connected, so a handle per attempt would leak one per retry.
        shout_t *shout = makeConnection();
        if (!shout) {
            say(Status::Unreachable, where() + QStringLiteral(": cannot set up libshout"));
            return;
        }
        int retry = kFirstRetrySeconds;
        while (!isStopping()) {
            const int opened = shout_open(shout);
            if (opened == SHOUTERR_SUCCESS || opened == SHOUTERR_CONNECTED) {
                retry = kFirstRetrySeconds;
                say(Status::Streaming,
                    where() + QStringLiteral(": streaming to %1").arg(target.mount));
                const bool ended = stream(shout);
                shout_close(shout);
                if (ended)
                    break;
                say(Status::Lost, where() + QStringLiteral(": the connection was lost; "
                                                           "connecting again"));
            } else {
                const QString reason = QString::fromUtf8(shout_get_error(shout));
                // A failed attempt keeps its connection; the next one needs it closed.
                (void)shout_close(shout);
                if (opened == SHOUTERR_NOLOGIN && mountIsLive())
                    say(Status::MountInUse,
                        where() + QStringLiteral(": the mount %1 is in use by another source; "
                                                 "trying again")
                                      .arg(target.mount));
                else if (opened == SHOUTERR_NOLOGIN)
                    say(Status::Refused,
                        where() + QStringLiteral(" refused the source password for %1 (user "
                                                 "%2); trying again")
                                      .arg(target.mount, target.user));
                else
                    say(Status::Unreachable,
                        where() +
                            QStringLiteral(" cannot be reached (%1); trying again").arg(reason));
            }
            if (sleep(retry))
                break;
            retry = std::min(retry * 2, kLastRetrySeconds);
        }
        shout_free(shout);
    }
};

IcecastOutput::IcecastOutput(Target target, std::function<void(Status, const QString &)> report)
    : d(std::make_shared<Shared>()) {
    d->target = std::move(target);
    d->report = std::move(report);
    static std::once_flag once;
    std::call_once(once, [] { shout_init(); });
    // The thread holds the shared state, so it may outlive this object.
    std::thread([shared = d] { shared->run(); }).detach();
}

IcecastOutput::~IcecastOutput() {
    {
        const std::lock_guard<std::mutex> held(d->lock);
        d->stopping = true;
        d->report = [](Status, const QString &) {
        };
    }
    d->wake.notify_all();
}

void IcecastOutput::push(const QByteArray &frame) {
    {
        const std::lock_guard<std::mutex> held(d->lock);
        d->frames.push_back(frame);
        d->queuedBytes += frame.size();
        const qsizetype keep = qsizetype(d->target.bitrate) * 1000 / 8 * kQueueSeconds;
        while (d->queuedBytes > keep) {
            d->queuedBytes -= d->frames.front().size();
            d->frames.pop_front();
        }
    }
    d->wake.notify_one();
}

void IcecastOutput::setTitle(const QString &title) {
    {
        const std::lock_guard<std::mutex> held(d->lock);
        d->title = title;
        d->titleChanged = true;
    }
    d->wake.notify_one();
}
