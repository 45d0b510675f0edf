#include "library/AddProgressWindow.h"
#include "library/FolderScanner.h"
#include "library/Library.h"
#include "platform/FileNames.h"
#include "platform/TagLibReader.h"
#include "support/FakeTagReader.h"
#include "support/ScanFixture.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using scanfixture::captionsFor;
using scanfixture::copyMedia;
using scanfixture::FailingListing;
using scanfixture::makeTree;
using scanfixture::Scan;

// What the folder scan meets in the wild: folders that are missing or cannot be listed, odd
// directory entries, files that change under it, names that are not UTF-8, more files than the
// library holds, and whatever runs during its wait. None of it may crash or hang the scan, and
// the library must stay consistent.
class TestScanFailures : public QObject {
    Q_OBJECT

private slots:
    void missingFolder_data();
    void missingFolder();
    void failureStopsTheWalk_data();
    void failureStopsTheWalk();
    void unreadableSubfolder();
    void oddEntries();
    void fileVanishesBeforeItsTagsAreRead();
    void namesThatAreNotUtf8();
    void reentrantScanDuringTheWait();
    void libraryGoneDuringTheWait();
    void ownerGoneDuringTheWait();
    void overCapacity();
};

void TestScanFailures::missingFolder_data() {
    QTest::addColumn<bool>("libraryEmpty");
    QTest::newRow("empty library") << true;
    QTest::newRow("library from an earlier scan") << false;
}

void TestScanFailures::missingFolder() {
    QFETCH(bool, libraryEmpty);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"earlier/e.mp3", "earlier/f.mp3", "earlier/sub/"}));
    Scan scan;
    scan.tags.add(dir.path() + QStringLiteral("/earlier/e.mp3"), QStringLiteral("E"),
                  QStringLiteral("1"));
    if (!libraryEmpty) {
        scan.scanner.addfiles(dir.path() + QStringLiteral("/earlier"));
        QCOMPARE(scan.library.count(), 2);
        scan.captions.clear();
        scan.stored.clear();
    }
    const QString missing = dir.path() + QStringLiteral("/missing");
    scan.scanner.addfiles(missing);
    QCOMPARE(scan.library.count(), libraryEmpty ? 0 : 2);
    QCOMPARE(scan.stored, QStringList{missing});
    QCOMPARE(scan.windowsShown, libraryEmpty ? 1 : 2);
    QVERIFY(scan.lastWindow.isNull());
    // The pass runs over the whole library, whatever this scan added.
    QCOMPARE(scan.captions, captionsFor(libraryEmpty ? 0 : 2));
    if (!libraryEmpty)
        QCOMPARE(scan.displayLines(), (QStringList{"E - 1", "f.mp3"}));
}

void TestScanFailures::failureStopsTheWalk_data() {
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("second subfolder fails") << "B" << QStringList{"A/a.mp3", "top.mp3"};
    QTest::newRow("first subfolder fails") << "A" << QStringList{"top.mp3"};
    QTest::newRow("the folder itself fails") << "" << QStringList{};
}

void TestScanFailures::failureStopsTheWalk() {
    QFETCH(QString, failing);
    QFETCH(QStringList, files);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"top.mp3", "A/a.mp3", "B/b.mp3", "C/c.mp3"}));
    FailingListing listing;
    listing.failing << (failing.isEmpty() ? dir.path() : dir.path() + QLatin1Char('/') + failing);
    Scan scan(nullptr, &listing);
    scan.scanner.addfiles(dir.path());
    QStringList expected;
    for (const QString &file : std::as_const(files))
        expected << dir.path() + QLatin1Char('/') + file;
    QCOMPARE(scan.fullPaths(), expected);
    // Nothing after the failure is even looked at, and the completion still runs.
    QVERIFY(!listing.listed.contains(dir.path() + QStringLiteral("/C")));
    QCOMPARE(scan.stored, QStringList{dir.path()});
    QCOMPARE(scan.captions, captionsFor(int(files.size())));
}

void TestScanFailures::unreadableSubfolder() {
    if (::geteuid() == 0) {
        // Permissions do not stop root.
        const QString failure = testenv::failureAsOtherUser(QTest::currentTestFunction());
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        return;
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"top.mp3", "A/a.mp3", "B/b.mp3", "C/c.mp3"}));
    const QByteArray locked = QFile::encodeName(dir.path() + QStringLiteral("/B"));
    QVERIFY(::chmod(locked.constData(), 0) == 0);
    Scan scan;
    scan.scanner.addfiles(dir.path());
    ::chmod(locked.constData(), 0755);
    QCOMPARE(scan.fullPaths(), (QStringList{dir.path() + QStringLiteral("/A/a.mp3"),
                                            dir.path() + QStringLiteral("/top.mp3")}));
    QCOMPARE(scan.stored, QStringList{dir.path()});
}

void TestScanFailures::oddEntries() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"real.mp3", "Folder/in.mp3"}));
    const QByteArray root = QFile::encodeName(dir.path()) + '/';
    QVERIFY(::symlink("nowhere.mp3", root + "broken.mp3") == 0);
    QVERIFY(::mkfifo(root + "x.mp3", 0644) == 0);
    QVERIFY(::symlink("real.mp3", root + "linked.mp3") == 0);
    QVERIFY(::symlink("Folder", root + "Linked Folder") == 0);
    QVERIFY(::mkdir(root + "looks like.mp3", 0755) == 0);
    Scan scan;
    // A FIFO named x.mp3 is neither listed as a file nor opened: the scan must not block.
    scan.scanner.addfiles(dir.path());
    QCOMPARE(scan.fullPaths(), (QStringList{dir.path() + QStringLiteral("/Folder/in.mp3"),
                                            dir.path() + QStringLiteral("/linked.mp3"),
                                            dir.path() + QStringLiteral("/real.mp3")}));
    // "Linked Folder" was walked too, but its in.mp3 was refused as a repeated name.
    QCOMPARE(scan.stored, QStringList{dir.path()});
}

void TestScanFailures::fileVanishesBeforeItsTagsAreRead() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(copyMedia(QStringLiteral("tagged.mp3"), dir.path() + QStringLiteral("/Sub/gone.mp3")));
    QVERIFY(copyMedia(QStringLiteral("tagged.wma"), dir.path() + QStringLiteral("/Sub/stays.wma")));
    const TagLibReader reader;
    Scan scan(&reader);
    scan.scanner.setWorkerThreads(0); // nothing is read before the wait
    scan.duringPause = [&] {
        QVERIFY(QFile::remove(dir.path() + QStringLiteral("/Sub/gone.mp3")));
    };
    scan.scanner.addfiles(dir.path());
    QCOMPARE(scan.displayLines(), (QStringList{"gone.mp3", "Wma Author - Wma Title"}));
    QCOMPARE(scan.captions, captionsFor(2));
}

void TestScanFailures::namesThatAreNotUtf8() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = QFile::encodeName(dir.path()) + '/';
    QVERIFY(::mkdir(root + "Sub \xe9", 0755) == 0);
    const QByteArray name = root + "Sub \xe9/caf\xe9 \xff.mp3";
    QFile source(testenv::media(QStringLiteral("tagged.mp3")));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    ::close(fd);

    const TagLibReader reader;
    Scan scan(&reader);
    scan.scanner.addfiles(dir.path());
    QCOMPARE(scan.library.count(), 1);
    // The name came through undamaged: it still names the file, and the file's tags were read.
    QCOMPARE(FileNames::encode(scan.library.fullPath(0)), name);
    QCOMPARE(scan.library.displayLine(0), QStringLiteral("Test Artist - Test Title"));
    QVERIFY(scan.library.pathLine(0).startsWith(scan.library.fileName(0) + QLatin1Char('|')));
    QCOMPARE(::unlink(name.constData()), 0);
    QCOMPARE(::rmdir(root + "Sub \xe9"), 0);
}

void TestScanFailures::reentrantScanDuringTheWait() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"first/m.mp3", "first/sub/n.mp3", "second/a.mp3", "second/z.mp3",
                                  "second/sub/"}));
    Scan scan;
    for (const char *file : {"first/m.mp3", "first/sub/n.mp3", "second/a.mp3", "second/z.mp3"}) {
        const QString path = dir.path() + QLatin1Char('/') + QString::fromLatin1(file);
        scan.tags.add(path, QStringLiteral("By"), QFileInfo(path).baseName());
    }
    bool nested = false;
    scan.duringPause = [&] {
        // A click during the first scan's wait starts a second scan, which completes inside it.
        if (nested)
            return;
        nested = true;
        scan.scanner.addfiles(dir.path() + QStringLiteral("/second"));
    };
    scan.scanner.addfiles(dir.path() + QStringLiteral("/first"));
    // Rows shifted under the first scan: a.mp3 now comes first. Its pass still covers every
    // entry, the ones the second scan added included.
    QCOMPARE(scan.displayLines(), (QStringList{"By - a", "By - m", "By - n", "By - z"}));
    QCOMPARE(scan.stored, (QStringList{dir.path() + QStringLiteral("/first"),
                                       dir.path() + QStringLiteral("/second")}));
    QCOMPARE(scan.captions, captionsFor(4) + captionsFor(4));
}

void TestScanFailures::libraryGoneDuringTheWait() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"a.mp3", "S/b.mp3"}));
    FakeTagReader tags;
    auto *library = new Library;
    QWidget owner;
    FolderScanner::Hooks hooks;
    hooks.owner = &owner;
    hooks.pause = [&](double) {
        delete library;
    };
    FolderScanner scanner(library, &tags, hooks);
    scanner.addfiles(dir.path());
    QCOMPARE(owner.findChildren<AddProgressWindow *>().size(), 0);
    // And later scans on the scanner do nothing at all.
    scanner.addfiles(dir.path());
}

void TestScanFailures::ownerGoneDuringTheWait() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"a.mp3", "S/b.mp3"}));
    Library library;
    FakeTagReader tags;
    tags.add(dir.path() + QStringLiteral("/a.mp3"), QStringLiteral("A"), QStringLiteral("1"));
    auto *owner = new QWidget;
    FolderScanner::Hooks hooks;
    hooks.owner = owner;
    hooks.pause = [&](double) {
        delete owner;
    }; // takes the progress window with it
    FolderScanner scanner(&library, &tags, hooks);
    scanner.addfiles(dir.path());
    // No window to update, but the pass itself still ran.
    QCOMPARE(library.displayLine(0), QStringLiteral("A - 1"));
}

void TestScanFailures::overCapacity() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray big = QFile::encodeName(dir.path()) + "/big";
    QVERIFY(::mkdir(big.constData(), 0755) == 0);
    constexpr int kFiles = 40000;
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray name = big + "/f" + QByteArray::number(i).rightJustified(5, '0') + ".mp3";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    Scan scan;
    QSignalSpy full(&scan.library, &Library::becameFull);
    scan.scanner.addfiles(dir.path());
    QCOMPARE(scan.library.count(), Library::kCapacity);
    QCOMPARE(full.size(), 1);
    QVERIFY(scan.library.isFull());
    // The first files in name order made it; both lines of every entry agree.
    for (int row = 0; row < scan.library.count(); ++row) {
        const QString name = QStringLiteral("f%1.mp3").arg(row, 5, 10, QLatin1Char('0'));
        QCOMPARE(scan.library.fileName(row), name);
        QCOMPARE(scan.library.displayLine(row), name);
        QCOMPARE(scan.library.pathLine(row),
                 name + QLatin1Char('|') + dir.path() + QStringLiteral("/big/") + name);
    }
    QCOMPARE(scan.captions.size(), Library::kCapacity);
    QCOMPARE(scan.captions.last(), QStringLiteral("Add 32766 of 32767 files."));
}

QTEST_MAIN(TestScanFailures)
#include "tst_scanfailures.moc"
