#include "stream/StreamService.h"

#include "stream/AudioDecoder.h"
#include "stream/HttpStreamServer.h"
#include "stream/StreamHub.h"
#include "stream/StreamLog.h"
#include "stream/StreamSource.h"

#include <QThread>

namespace {

void sayOnStderr(const QString &text) {
    qCWarning(lcStream, "%s", qPrintable(text));
}

} // namespace

StreamService::StreamService(QObject *parent) : QObject(parent) {
    AudioDecoder::routeLogToDebug();
}

StreamService::~StreamService() {
    stop();
}

bool StreamService::start(const StreamSettings &settings, const QByteArray &password,
                          QString *error) {
    if (isOn() && settings == m_settings && password == m_password)
        return true;
    stop();
    if (!settings.isOn())
        return false;

    StreamSettings running = settings;
    int descriptor = -1;
    if (settings.serves()) {
        QString why;
        descriptor = HttpStreamServer::bindSocket(settings.listenAddress, settings.listenPort,
                                                  &running.listenPort, &why);
        if (descriptor < 0) {
            why =
                QStringLiteral("cannot serve the stream on %1: %2").arg(settings.listenText(), why);
            sayOnStderr(why);
            if (error)
                *error = why;
            if (!settings.pushes())
                return false;
            running.listenAddress.clear();
        }
    }

    m_settings = running;
    m_password = password;
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("stream"));
    auto *hub = new StreamHub(running.bitrate);
    auto *source = new StreamSource(*hub, running.bitrate, hub);
    HttpStreamServer *server =
        descriptor >= 0
            ? new HttpStreamServer(*hub, running.maxListeners, running.listenersPerAddress(), hub)
            : nullptr;
    if (running.pushes()) {
        IcecastOutput::Target target{running.icecastUser,
                                     running.icecastHost,
                                     running.icecastPort,
                                     running.icecastMount,
                                     password,
                                     running.bitrate};
        const int generation = ++m_generation;
        m_icecast = std::make_unique<IcecastOutput>(
            target, [this, generation](IcecastOutput::Status status, const QString &text) {
                // On the output's thread: the report is carried over to this one.
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, status, text] {
                        if (generation == m_generation)
                            icecastReported(status, text);
                    },
                    Qt::QueuedConnection);
            });
        IcecastOutput *icecast = m_icecast.get();
        // On the stream's thread; push() and setTitle() only queue for the output's thread.
        connect(hub, &StreamHub::frameReady, hub,
                [icecast](const QByteArray &frame) { icecast->push(frame); });
        connect(hub, &StreamHub::titleChanged, hub,
                [icecast](const QString &title) { icecast->setTitle(title); });
    }
    hub->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::finished, hub, &QObject::deleteLater);
    m_hub = hub;
    m_source = source;
    m_thread->start();
    QMetaObject::invokeMethod(
        source,
        [source, server, descriptor] {
            if (server)
                server->serve(descriptor);
            source->begin();
        },
        Qt::QueuedConnection);
    sayOnStderr(QStringLiteral("listen along at %1").arg(m_settings.url()));
    return true;
}

void StreamService::stop() {
    if (!m_thread)
        return;
    m_thread->quit();
    m_thread->wait();
    // The stream's thread has ended: nothing pushes to the output any more.
    m_icecast.reset();
    ++m_generation;
    m_thread.reset();
    m_icecastStatus.reset();
}

template <typename Function> void StreamService::onSource(Function function) {
    if (StreamSource *source = m_source)
        QMetaObject::invokeMethod(
            source, [source, function] { function(*source); }, Qt::QueuedConnection);
}

void StreamService::play(const QByteArray &fileName, double position, bool paused,
                         const QString &title) {
    if (StreamHub *hub = m_hub)
        QMetaObject::invokeMethod(
            hub, [hub, title] { hub->setTitle(title); }, Qt::QueuedConnection);
    onSource([fileName, position, paused](StreamSource &source) {
        source.play(fileName, position, paused);
    });
}

void StreamService::setPaused(bool paused) {
    onSource([paused](StreamSource &source) { source.setPaused(paused); });
}

void StreamService::stopPlayback() {
    onSource([](StreamSource &source) { source.stopPlayback(); });
}

void StreamService::seek(double position) {
    onSource([position](StreamSource &source) { source.seek(position); });
}

void StreamService::follow(double position) {
    onSource([position](StreamSource &source) { source.follow(position); });
}

void StreamService::icecastReported(IcecastOutput::Status status, const QString &text) {
    m_icecastStatus = status;
    sayOnStderr(text);
    emit icecastStatusChanged(status);
}
