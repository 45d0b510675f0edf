#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// An .asx playlist, read the way hand-written ones need to be read: element and attribute
// names in any case, values quoted with " or ' or not at all, spaces around '=', closing tags
// missing, comments and junk anywhere. Only what the player uses is kept: the playlist's own
// title and author, and per entry its references, title and author.
class AsxPlaylist {
public:
    struct Entry {
        // Alternatives for the same entry, tried in order; local paths, relative references
        // already resolved against the playlist's folder.
        QStringList refs;
        QString title;
        QString author;
    };

    // Reads and parses a file; a file that cannot be read gives an invalid, empty playlist.
    static AsxPlaylist load(const QString &path);
    // Parses the bytes of a playlist; relative references are taken from baseFolder.
    static AsxPlaylist parse(const QByteArray &data, const QString &baseFolder);

    // True when the text has an <ASX> element at all.
    bool isValid() const { return m_valid; }
    QString title() const { return m_title; }
    QString author() const { return m_author; }
    const QList<Entry> &entries() const { return m_entries; }

private:
    bool m_valid = false;
    QString m_title;
    QString m_author;
    QList<Entry> m_entries;
};
