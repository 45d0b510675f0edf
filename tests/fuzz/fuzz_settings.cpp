// The settings file, which users edit by hand: whatever it holds is read without loss, what is
// read and saved reads back the same, and setting a value keeps one entry per line. The input
// is the file's bytes.
#include "FuzzInput.h"

#include "platform/FileNames.h"
#include "session/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QTemporaryDir *folder = nullptr;

QByteArray readAll(const QString &path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

// The lines of a settings file as bytes: CR LF or a lone CR ends a line, a lone LF does not,
// and empty lines are skipped.
QList<QByteArray> expectedLines(const QByteArray &bytes) {
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\r') {
            if (!line.isEmpty())
                lines.append(line);
            line.clear();
            if (i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
        } else {
            line.append(bytes.at(i));
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::ensureApplication();
    // The save replaces the file safely, which syncs it to disk; in memory that costs nothing.
    const QString shm = QStringLiteral("/dev/shm");
    folder = QFileInfo(shm).isWritable()
                 ? new QTemporaryDir(shm + QStringLiteral("/zamp-fuzz-XXXXXX"))
                 : new QTemporaryDir();
    FUZZ_CHECK(folder->isValid());
    std::atexit([] { delete folder; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString path = folder->filePath(QStringLiteral("zandoramp.ini"));
    const QString again = folder->filePath(QStringLiteral("again.ini"));
    writeAll(path, bytes);

    QStringList list;
    SettingsStore::LoadListFromFile(path, list);
    const QList<QByteArray> lines = expectedLines(bytes);
    FUZZ_CHECK(list.size() == lines.size());
    QByteArray normal;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // Every line keeps its bytes, UTF-8 or not.
        FUZZ_CHECK(FileNames::encode(list.at(i)) == lines.at(i));
        normal += lines.at(i) + "\r\n";
    }

    // Load, save, load: the same entries, and the file is the original less its empty lines.
    SettingsStore store;
    store.setEntries(list);
    QString error;
    FUZZ_CHECK(SettingsStore::SaveListToFile(again, store.entries(), &error));
    FUZZ_CHECK(readAll(again) == normal);
    QStringList reread;
    SettingsStore::LoadListFromFile(again, reread);
    FUZZ_CHECK(reread == list);

    // A lookup takes the last entry of the key.
    for (const QString &entry : list.mid(0, 64)) {
        const QString key = entry.left(SettingsStore::kKeyLength);
        QString last;
        for (const QString &other : list) {
            if (other.left(SettingsStore::kKeyLength) == key)
                last = other.mid(SettingsStore::kKeyLength);
        }
        FUZZ_CHECK(store.GetSetting(key) == last);
    }

    // Setting values taken from the file (line breaks and all) keeps one entry per key, and the
    // saved file gives every value back, line breaks as spaces.
    const QString value = FileNames::decode(bytes.left(300));
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    for (const char *key : {"cspl", "xdir", "load"})
        store.SetSetting(QLatin1String(key), value);
    store.SetSetting(QStringLiteral("tray"), QStringLiteral("1"));
    FUZZ_CHECK(SettingsStore::SaveListToFile(again, store.entries(), &error));
    SettingsStore back;
    QStringList entries;
    SettingsStore::LoadListFromFile(again, entries);
    back.setEntries(entries);
    for (const char *key : {"cspl", "xdir", "load"})
        FUZZ_CHECK(back.GetSetting(QLatin1String(key)) == flat);
    FUZZ_CHECK(back.GetSetting(QStringLiteral("tray")) == QLatin1String("1"));
    return 0;
}
