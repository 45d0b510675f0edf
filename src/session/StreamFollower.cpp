#include "session/StreamFollower.h"

#include "platform/FileNames.h"
#include "session/Log.h"
#include "session/Settings.h"
#include "stream/StreamService.h"

StreamFollower::StreamFollower(StreamService *service, MediaPlayer &player, Settings &settings,
                               std::function<QString()> caption, QObject *parent)
    : QObject(parent), m_service(service), m_player(player), m_settings(settings),
      m_caption(std::move(caption)), m_step(this) {
    m_step.setInterval(1000);
    connect(&m_step, &QTimer::timeout, this, &StreamFollower::keepInStep);
}

StreamFollower::~StreamFollower() {
    if (isOn() && !m_streaming.isEmpty())
        m_service->stopPlayback();
}

void StreamFollower::restore() {
    if (m_given) {
        m_settings.setStream(*m_given);
        m_settings.setListenAlong(true);
        start(*m_given);
        return;
    }
    // Nothing is written here: without a stream the settings file stays as it was.
    if (m_settings.listenAlong())
        start(m_settings.stream());
    else if (m_service)
        m_service->stop();
    if (!isOn())
        m_step.stop();
    emit switched(isOn());
}

void StreamFollower::setOn(bool on) {
    m_settings.setListenAlong(on);
    if (!on) {
        if (m_service)
            m_service->stop();
    } else {
        StreamSettings settings = m_settings.stream();
        if (!settings.isOn()) {
            settings = StreamSettings::localDefault();
            m_settings.setStream(settings);
        }
        start(settings);
    }
    if (!isOn())
        m_step.stop();
    emit switched(isOn());
}

bool StreamFollower::isOn() const {
    return m_service && m_service->isOn();
}

QString StreamFollower::url() const {
    return isOn() ? m_service->url() : QString();
}

bool StreamFollower::start(const StreamSettings &wanted) {
    if (!m_service)
        return false;
    StreamSettings settings = wanted;
    QByteArray password;
    if (settings.pushes()) {
        QString error;
        password = StreamSettings::readPassword(settings.passwordFile, &error);
        if (password.isEmpty()) {
            qCWarning(lcPlayer, "not streaming to Icecast: %s", qPrintable(error));
            settings.icecastHost.clear();
        }
    }
    const bool wasOn = m_service->isOn();
    const StreamSettings before = m_service->settings();
    if (!m_service->start(settings, password))
        return false;
    m_step.start();
    // A stream that was already running goes on with what it plays; a new one starts with what
    // plays now.
    if (!wasOn || !(before == m_service->settings())) {
        m_streaming.clear();
        streamCurrent();
    }
    return true;
}

void StreamFollower::streamCurrent() {
    const MediaPlayer::PlayState state = m_player.playState();
    const MediaItem *media = m_player.currentMedia();
    if (!media || state == MediaPlayer::PlayState::Stopped ||
        state == MediaPlayer::PlayState::Transitioning)
        return;
    m_streaming = media->sourceURL();
    m_service->play(FileNames::encode(m_streaming), m_player.currentPosition(),
                    state == MediaPlayer::PlayState::Paused, m_caption());
}

void StreamFollower::itemStarted() {
    if (isOn())
        streamCurrent();
}

void StreamFollower::stateChanged(MediaPlayer::PlayState state) {
    if (!isOn())
        return;
    switch (state) {
    case MediaPlayer::PlayState::Transitioning:
        return;
    case MediaPlayer::PlayState::Stopped:
        if (!m_streaming.isEmpty())
            m_service->stopPlayback();
        m_streaming.clear();
        return;
    default:
        // A new item is told once it has started; this is the one that streams, paused or not.
        if (!m_streaming.isEmpty())
            m_service->setPaused(state == MediaPlayer::PlayState::Paused);
    }
}

void StreamFollower::seeked(double seconds) {
    if (isOn())
        m_service->seek(seconds);
}

void StreamFollower::keepInStep() {
    if (!isOn() || m_streaming.isEmpty())
        return;
    const MediaPlayer::PlayState state = m_player.playState();
    if (state == MediaPlayer::PlayState::Playing ||
        state == MediaPlayer::PlayState::FastForwarding ||
        state == MediaPlayer::PlayState::FastReversing)
        m_service->follow(m_player.currentPosition());
}
