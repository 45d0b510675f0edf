#include "app/ListenAlong.h"

#include "app/SettingsStore.h"
#include "platform/FileNames.h"
#include "player/MediaPlayer.h"
#include "stream/StreamService.h"

#include <QAction>
#include <QSignalBlocker>
#include <cstdio>

namespace {

// The stream's keys in the settings file; "lion" is "1" while "Listen Along" is on.
constexpr char kOnKey[] = "lion";
constexpr char kServerKey[] = "lsrv";
constexpr char kIcecastKey[] = "lice";
constexpr char kPasswordKey[] = "lipw";
constexpr char kBitrateKey[] = "libr";
constexpr char kListenersKey[] = "limx";
constexpr char kPerAddressKey[] = "lipa"; // empty for the default share
constexpr char kUrlKey[] = "liur";

QString key(const char *name) {
    return QString::fromLatin1(name);
}

} // namespace

ListenAlong::ListenAlong(StreamService *service, MediaPlayer &player,
                         std::function<QString()> caption, SettingsStore &settings, QObject *parent)
    : QObject(parent), m_service(service), m_player(player), m_caption(std::move(caption)),
      m_settings(settings), m_step(this) {
    m_step.setInterval(1000);
    connect(&m_step, &QTimer::timeout, this, &ListenAlong::keepInStep);
    connect(&m_player, &MediaPlayer::StatusChange, this, &ListenAlong::followPlayer);
    connect(&m_player, &MediaPlayer::seeked, this, [this](double seconds) {
        if (isOn())
            m_service->seek(seconds);
    });
}

ListenAlong::~ListenAlong() {
    if (isOn() && !m_streaming.isEmpty())
        m_service->stopPlayback();
}

void ListenAlong::restore() {
    if (m_given) {
        remember(*m_given);
        m_settings.SetSetting(key(kOnKey), QStringLiteral("1"));
        start(*m_given);
        return;
    }
    // Nothing is written here: without a stream the settings file stays as it was.
    if (m_settings.GetSetting(key(kOnKey)) == QLatin1String("1"))
        start(remembered());
    else if (m_service)
        m_service->stop();
    showState();
}

void ListenAlong::connectMenu(QAction *item) {
    m_menuItem = item;
    {
        const QSignalBlocker quiet(item);
        item->setChecked(isOn());
    }
    connect(item, &QAction::toggled, this, &ListenAlong::setOn);
}

void ListenAlong::setOn(bool on) {
    m_settings.SetSetting(key(kOnKey), on ? QStringLiteral("1") : QStringLiteral("0"));
    if (!on) {
        if (m_service)
            m_service->stop();
    } else {
        StreamSettings settings = remembered();
        if (!settings.isOn()) {
            settings = StreamSettings::localDefault();
            remember(settings);
        }
        start(settings);
    }
    showState();
}

void ListenAlong::showState() {
    if (!isOn())
        m_step.stop();
    if (m_menuItem) {
        const QSignalBlocker quiet(m_menuItem);
        m_menuItem->setChecked(isOn());
    }
}

bool ListenAlong::isOn() const {
    return m_service && m_service->isOn();
}

QString ListenAlong::url() const {
    return isOn() ? m_service->url() : QString();
}

StreamSettings ListenAlong::remembered() const {
    // A line that does not read (a hand-edited file) counts as absent.
    StreamSettings settings;
    const QString server = m_settings.GetSetting(key(kServerKey));
    if (!server.isEmpty() && !settings.setListen(server).isEmpty())
        settings.listenAddress.clear();
    const QString icecast = m_settings.GetSetting(key(kIcecastKey));
    if (!icecast.isEmpty() && !settings.setIcecast(icecast).isEmpty())
        settings.icecastHost.clear();
    settings.passwordFile = m_settings.GetSetting(key(kPasswordKey));
    if (settings.passwordFile.isEmpty())
        settings.icecastHost.clear();
    const QString bitrate = m_settings.GetSetting(key(kBitrateKey));
    if (!bitrate.isEmpty())
        (void)settings.setBitrate(bitrate);
    const QString listeners = m_settings.GetSetting(key(kListenersKey));
    if (!listeners.isEmpty())
        (void)settings.setMaxListeners(listeners);
    const QString perAddress = m_settings.GetSetting(key(kPerAddressKey));
    if (!perAddress.isEmpty())
        (void)settings.setMaxListenersPerAddress(perAddress);
    const QString url = m_settings.GetSetting(key(kUrlKey));
    if (!url.isEmpty())
        (void)settings.setPublicUrl(url);
    return settings;
}

void ListenAlong::remember(const StreamSettings &settings) {
    m_settings.SetSetting(key(kServerKey), settings.listenText());
    m_settings.SetSetting(key(kIcecastKey), settings.icecastText());
    m_settings.SetSetting(key(kPasswordKey), settings.pushes() ? settings.passwordFile : QString());
    m_settings.SetSetting(key(kBitrateKey), QString::number(settings.bitrate));
    m_settings.SetSetting(key(kListenersKey), QString::number(settings.maxListeners));
    m_settings.SetSetting(key(kPerAddressKey),
                          settings.maxListenersPerAddress > 0
                              ? QString::number(settings.maxListenersPerAddress)
                              : QString());
    m_settings.SetSetting(key(kUrlKey), settings.publicUrl);
}

bool ListenAlong::start(const StreamSettings &wanted) {
    if (!m_service)
        return false;
    StreamSettings settings = wanted;
    QByteArray password;
    if (settings.pushes()) {
        QString error;
        password = StreamSettings::readPassword(settings.passwordFile, &error);
        if (password.isEmpty()) {
            std::fprintf(stderr, "zandoramp: not streaming to Icecast: %s\n", qPrintable(error));
            settings.icecastHost.clear();
        }
    }
    const bool wasOn = m_service->isOn();
    const StreamSettings before = m_service->settings();
    if (!m_service->start(settings, password)) {
        showState();
        return false;
    }
    m_step.start();
    // A stream that was already running goes on with what it plays; a new one starts with what
    // plays now.
    if (!wasOn || !(before == m_service->settings()))
        m_streaming.clear();
    followPlayer();
    return true;
}

void ListenAlong::followPlayer() {
    if (!isOn())
        return;
    const MediaPlayer::PlayState state = m_player.playState();
    const MediaItem *media = m_player.currentMedia();
    switch (state) {
    case MediaPlayer::PlayState::Transitioning:
        m_itemOnItsWay = true;
        return;
    case MediaPlayer::PlayState::Stopped:
        m_itemOnItsWay = false;
        if (!m_streaming.isEmpty())
            m_service->stopPlayback();
        m_streaming.clear();
        return;
    default:
        break;
    }
    if (!media)
        return;
    const bool paused = state == MediaPlayer::PlayState::Paused;
    if (m_itemOnItsWay || m_streaming != media->sourceURL()) {
        m_itemOnItsWay = false;
        m_streaming = media->sourceURL();
        m_service->play(FileNames::encode(m_streaming), m_player.currentPosition(), paused,
                        m_caption());
        return;
    }
    m_service->setPaused(paused);
}

void ListenAlong::keepInStep() {
    if (!isOn() || m_streaming.isEmpty())
        return;
    const MediaPlayer::PlayState state = m_player.playState();
    if (state == MediaPlayer::PlayState::Playing ||
        state == MediaPlayer::PlayState::FastForwarding ||
        state == MediaPlayer::PlayState::FastReversing)
        m_service->follow(m_player.currentPosition());
}
