#include "session/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void lookup_data();
    void lookup();
    void update_data();
    void update();
    void loadLines_data();
    void loadLines();
    void saveWritesCrLfInOrder();
    void bytesThatAreNotUtf8SurviveARoundTrip();
    void missingFileGivesEmptyStore();
    void failedSaveKeepsTheOldFile();
    void saveIntoMissingFolderReportsWhy();
    void fullDiskKeepsTheOldFile();
};

void TestSettingsStore::lookup_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty store") << QStringList{} << "load"
                                 << "";
    QTest::newRow("value after key") << QStringList{"load7"} << "load"
                                     << "7";
    QTest::newRow("last match wins") << QStringList{"tray1", "tray0"} << "tray"
                                     << "0";
    QTest::newRow("key alone is empty") << QStringList{"cspl"} << "cspl"
                                        << "";
    QTest::newRow("keys keep their case") << QStringList{"LOAD5"} << "load"
                                          << "";
    QTest::newRow("spaces and equals stay") << QStringList{"csstMedia = Stopped"} << "csst"
                                            << "Media = Stopped";
    QTest::newRow("short entry matches nothing") << QStringList{"loa"} << "load"
                                                 << "";
    QTest::newRow("other keys ignored")
        << QStringList{"load9", "xdirD:\\Music", "junk line"} << "xdir"
        << "D:\\Music";
    QTest::newRow("prefix of a longer word") << QStringList{"loader"} << "load"
                                             << "er";
}

void TestSettingsStore::lookup() {
    QFETCH(QStringList, entries);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    SettingsStore store;
    store.setEntries(entries);
    QCOMPARE(store.GetSetting(key), expected);
}

void TestSettingsStore::update_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("multi");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("moves to the end") << QStringList{"tray0", "load3"} << "tray"
                                      << "1" << false << QStringList{"load3", "tray1"};
    QTest::newRow("removes every entry of the key")
        << QStringList{"tray0", "tray1", "load3", "tray9"} << "tray"
        << "0" << false << QStringList{"load3", "tray0"};
    QTest::newRow("empty value") << QStringList{"csplold"} << "cspl"
                                 << "" << false << QStringList{"cspl"};
    QTest::newRow("line breaks become spaces")
        << QStringList{} << "cspl"
        << "one\r\ntwo\rthree\nfour" << false << QStringList{"csplone  two three four"};
    QTest::newRow("multi removes only the equal entry")
        << QStringList{"xdirA", "xdirB", "xdirA"} << "xdir"
        << "A" << true << QStringList{"xdirB", "xdirA"};
    QTest::newRow("a new key leaves the other lines as they stand")
        << QStringList{"x", "xdir", "load2", "csplnow %s"} << "nrep"
        << "1" << false << QStringList{"x", "xdir", "load2", "csplnow %s", "nrep1"};
    QTest::newRow("All Formats switched off") << QStringList{"allf1", "xdir/m"} << "allf"
                                              << "0" << false << QStringList{"xdir/m", "allf0"};
    QTest::newRow("case matters when removing") << QStringList{"LOAD5", "load4"} << "load"
                                                << "5" << false << QStringList{"LOAD5", "load5"};
}

void TestSettingsStore::update() {
    QFETCH(QStringList, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, multi);
    QFETCH(QStringList, after);
    SettingsStore store;
    store.setEntries(before);
    store.SetSetting(key, value, multi);
    QCOMPARE(store.entries(), after);
}

void TestSettingsStore::loadLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("crlf") << QByteArray("load9\r\nxdirD:\\Music\r\n")
                          << QStringList{"load9", "xdirD:\\Music"};
    QTest::newRow("empty lines skipped") << QByteArray("load9\r\n\r\n\r\nxdirD:\\Music\r\n")
                                         << QStringList{"load9", "xdirD:\\Music"};
    QTest::newRow("lone cr ends a line") << QByteArray("a1\rb2\r") << QStringList{"a1", "b2"};
    QTest::newRow("lone lf stays in the text")
        << QByteArray("a1\nb2\r\nc3") << QStringList{"a1\nb2", "c3"};
    QTest::newRow("no final line end") << QByteArray("load3") << QStringList{"load3"};
    QTest::newRow("cr cr lf") << QByteArray("a\r\r\nb") << QStringList{"a", "b"};
    QTest::newRow("unknown lines kept as they are")
        << QByteArray("  spaced  \r\n#x\r\n==\r\n") << QStringList{"  spaced  ", "#x", "=="};
    QTest::newRow("utf-8") << QByteArray("csplsp\xc3\xa4t\r\n")
                           << QStringList{QString::fromUtf8("csplsp\xc3\xa4t")};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TestSettingsStore::loadLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath("zandoramp.ini");
    writeAll(path, bytes);
    QStringList list{"stale entry"};
    SettingsStore::LoadListFromFile(path, list);
    QCOMPARE(list, lines);
}

void TestSettingsStore::saveWritesCrLfInOrder() {
    QTemporaryDir dir;
    const QString path = dir.filePath("zandoramp.ini");
    writeAll(path, "old content that is much longer than the new content\r\n");
    QString error;
    QVERIFY(SettingsStore::SaveListToFile(path, {"load2", "cspl", "a\nb"}, &error));
    QCOMPARE(readAll(path), QByteArray("load2\r\ncspl\r\na\nb\r\n"));
    QVERIFY(SettingsStore::SaveListToFile(path, {}, &error));
    QCOMPARE(readAll(path), QByteArray());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"zandoramp.ini"});
}

void TestSettingsStore::bytesThatAreNotUtf8SurviveARoundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath("zandoramp.ini");
    const QByteArray bytes("xdir/music/caf\xe9\r\nload4\r\nodd\xff\xfe\r\n");
    writeAll(path, bytes);
    QStringList list;
    SettingsStore::LoadListFromFile(path, list);
    QCOMPARE(list.size(), 3);
    QString error;
    QVERIFY(SettingsStore::SaveListToFile(path, list, &error));
    QCOMPARE(readAll(path), bytes);
}

void TestSettingsStore::missingFileGivesEmptyStore() {
    QTemporaryDir dir;
    QStringList list{"stale"};
    SettingsStore::LoadListFromFile(dir.filePath("absent.ini"), list);
    QVERIFY(list.isEmpty());
}

void TestSettingsStore::failedSaveKeepsTheOldFile() {
    // A write that fails half-way (here: the file size limit, as a full disk would) must leave
    // the previous settings in place.
    QTemporaryDir dir;
    const QString path = dir.filePath("zandoramp.ini");
    const QByteArray old("load7\r\nxdir/music\r\n");
    writeAll(path, old);

    struct rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    QStringList big;
    for (int i = 0; i < 1000; ++i)
        big << QStringLiteral("key%1 with a value long enough to pass the limit").arg(i);
    QString error;
    const bool savedOk = SettingsStore::SaveListToFile(path, big, &error);

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!savedOk);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), old);
}

void TestSettingsStore::saveIntoMissingFolderReportsWhy() {
    QTemporaryDir dir;
    QString error;
    QVERIFY(!SettingsStore::SaveListToFile(dir.filePath("no/such/folder/zandoramp.ini"), {"a"},
                                           &error));
    QVERIFY(!error.isEmpty());
}

// A real full file system: the write only fills a buffer, and only flushing it finds no room.
void TestSettingsStore::fullDiskKeepsTheOldFile() {
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    QTemporaryDir dir;
    const QByteArray where = QFile::encodeName(dir.path());
    if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("this machine does not let a test mount a tmpfs");
    struct Unmount {
        QByteArray where;
        ~Unmount() { ::umount(where.constData()); }
    } unmount{where};

    const QString path = dir.filePath("zandoramp.ini");
    const QByteArray old("load7\r\nxdir/music\r\n");
    writeAll(path, old);
    // Fill every block that is left.
    QFile filler(dir.filePath("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    filler.close();

    QString error;
    const bool saved =
        SettingsStore::SaveListToFile(path, {"load8", "xdir/music", "csplplaying %s"}, &error);
    QVERIFY(!saved);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), old);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
