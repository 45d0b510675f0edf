#include "session/NowPlaying.h"

#include "library/Library.h"
#include "player/Announcement.h"
#include "player/MediaPlayer.h"

NowPlaying::NowPlaying(MediaPlayer &player, const Library &library,
                       std::function<void(QString)> say, std::function<QString()> playTemplate,
                       QObject *parent)
    : QObject(parent), m_player(player), m_library(library), m_say(std::move(say)),
      m_template(std::move(playTemplate)), m_check(this) {
    m_check.setObjectName(QStringLiteral("Timer1"));
    m_check.setInterval(kCheckMs);
    connect(&m_check, &QTimer::timeout, this, &NowPlaying::check);
    // On from the start: the first tick records "None..." and, with nothing started, says nothing.
    m_check.start();
}

void NowPlaying::started(int row) {
    m_entry = row;
    // Switching on the check while it is on must not restart its countdown.
    if (!m_check.isActive())
        m_check.start();
    emit changed();
}

void NowPlaying::follow() {
    const MediaItem *media = m_player.currentMedia();
    if (!media)
        return;
    m_caption = media->getItemInfo(QStringLiteral("author")) + QStringLiteral(" - ") +
                media->getItemInfo(QStringLiteral("name"));
    m_duration = media->durationString();
    emit changed();
}

std::optional<QString> NowPlaying::composeAnnouncement() const {
    const MediaItem *media = m_player.currentMedia();
    if (!media || m_entry < 0 || m_entry >= m_library.count())
        return std::nullopt;
    Announcement::Values values;
    values.author = media->getItemInfo(QStringLiteral("author"));
    values.name = media->getItemInfo(QStringLiteral("name"));
    values.number = QString::number(m_entry + 1);
    values.duration = m_duration;
    values.bitRate = m_player.bitRate();
    values.libraryLine = m_library.displayLine(m_entry);
    return Announcement::expand(m_template(), values);
}

void NowPlaying::check() {
    if (m_caption != m_announced) {
        m_announced = m_caption;
        emit changed();
        if (const auto text = composeAnnouncement())
            m_say(*text);
    }
    m_check.stop();
}
