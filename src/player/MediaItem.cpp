#include "player/MediaItem.h"

#include <cmath>
#include <utility>

MediaItem::MediaItem(QString sourceURL, QString author, QString name, double durationSeconds,
                     int bitRate)
    : m_sourceURL(std::move(sourceURL)), m_author(std::move(author)), m_name(std::move(name)),
      m_duration(std::isfinite(durationSeconds) && durationSeconds > 0 ? durationSeconds : 0.0),
      m_bitRate(bitRate > 0 ? bitRate : 0) {}

QString MediaItem::getItemInfo(const QString &attribute) const {
    if (attribute.compare(QLatin1String("author"), Qt::CaseInsensitive) == 0)
        return m_author;
    if (attribute.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0)
        return m_name;
    return QString(QLatin1String(""));
}

QString MediaItem::durationString() const {
    return formatDuration(m_duration);
}

QString MediaItem::formatDuration(double seconds) {
    // Whole seconds, cut rather than rounded: 59.9 s still reads 0:59, as a clock would.
    const qint64 total = std::isfinite(seconds) && seconds > 0 ? qint64(std::floor(seconds)) : 0;
    const qint64 hours = total / 3600;
    const qint64 minutes = total / 60 % 60;
    const qint64 secs = total % 60;
    const QLatin1Char zero('0');
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, zero)
            .arg(secs, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, zero);
}
