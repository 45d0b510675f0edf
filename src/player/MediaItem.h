#pragma once

#include <QString>

// One media item: a file, or an entry of an .asx playlist, with the attributes read from it.
class MediaItem {
public:
    MediaItem() = default;
    MediaItem(QString sourceURL, QString author, QString name, double durationSeconds, int bitRate);

    QString sourceURL() const { return m_sourceURL; }
    // "author" and "name" (any case); every other attribute, and a missing one, reads "".
    QString getItemInfo(const QString &attribute) const;
    // "m:ss", or "h:mm:ss" from an hour on; truncated to whole seconds.
    QString durationString() const;
    double duration() const { return m_duration; }
    // The same text form for any number of seconds (negative or not a number reads "0:00").
    static QString formatDuration(double seconds);
    int bitRate() const { return m_bitRate; }

private:
    QString m_sourceURL;
    QString m_author;
    QString m_name;
    double m_duration = 0;
    int m_bitRate = 0;
};
