#pragma once

#include <QString>
#include <QStringList>

// The settings store: an ordered list of entries, each a four-character key followed at once by
// its value ("load7", "tray1", "cspl"). A lookup takes the last matching entry; setting a key
// removes its entries and appends the new one, so the file keeps the order in which settings were
// last set. Settings names every key the player uses and reads them typed.
class SettingsStore {
public:
    static constexpr int kKeyLength = 4;

    const QStringList &entries() const { return m_entries; }
    void setEntries(const QStringList &entries) { m_entries = entries; }

    // The value of the last entry whose first four characters equal `key`; "" when none.
    QString GetSetting(const QString &key) const;
    // Removes the key's entries (with `multi`, only those equal to key + value) and appends
    // key + value. Line breaks in the value become spaces: the file holds one entry per line.
    void SetSetting(const QString &key, const QString &value, bool multi = false);

    // Empties `list` and fills it with the file's non-empty lines. A line ends at CR LF or at a
    // lone CR; a lone LF stays in the text. A file that cannot be read leaves `list` empty (or with
    // the lines read before the error).
    static void LoadListFromFile(const QString &sourceFile, QStringList &list);
    // Writes every entry followed by CR LF. The old file is replaced only once the new one is
    // completely written, so a failed save leaves it intact. Returns false with `error` set when
    // the file could not be written.
    static bool SaveListToFile(const QString &path, const QStringList &list, QString *error);

private:
    QStringList m_entries;
};
