#include "session/SettingsStore.h"

#include "platform/FileNames.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool hasKey(const QString &entry, const QString &key) {
    return QStringView(entry).left(SettingsStore::kKeyLength) == key;
}

} // namespace

QString SettingsStore::GetSetting(const QString &key) const {
    QString value;
    for (const QString &entry : m_entries) {
        if (hasKey(entry, key))
            value = entry.mid(kKeyLength);
    }
    return value;
}

void SettingsStore::SetSetting(const QString &key, const QString &value, bool multi) {
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString newEntry = key + clean;

    m_entries.removeIf(
        [&](const QString &entry) { return multi ? entry == newEntry : hasKey(entry, key); });
    m_entries.append(newEntry);
}

void SettingsStore::LoadListFromFile(const QString &sourceFile, QStringList &list) {
    list.clear();
    QFile file(sourceFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The file is small; reading it whole and splitting by hand keeps the rule that only CR LF and
    // a lone CR end a line, which QTextStream's line reading does not follow.
    const QByteArray bytes = file.readAll();
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    // Lines are decoded without loss, so an entry that is not UTF-8 is written back byte for byte.
    auto take = [&](qsizetype end) {
        if (end > start)
            list.append(FileNames::decode(bytes.constData() + start, end - start));
    };
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes.at(i) != '\r')
            continue;
        take(i);
        if (i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    take(size);
}

bool SettingsStore::SaveListToFile(const QString &path, const QStringList &list, QString *error) {
    QByteArray bytes;
    for (const QString &entry : list) {
        bytes += FileNames::encode(entry);
        bytes += "\r\n";
    }
    QSaveFile file(path);
    const auto fail = [&] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    // A write only reaches QSaveFile's buffer, and commit() does not notice when flushing that
    // buffer fails (a full disk): it would replace the old file with a short one. Flush first and
    // keep the old file unless every byte went out.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const bool failed = fail();
        file.cancelWriting();
        return failed;
    }
    if (!file.commit())
        return fail();
    return true;
}
