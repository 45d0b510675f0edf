#include "platform/DirectoryListing.h"
#include "platform/FileNames.h"
#include "support/TestEnv.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Made with raw bytes, so that names that are not UTF-8 reach the disk unchanged.
bool makeFile(const QByteArray &path) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

} // namespace

class TestDirectoryListing : public QObject {
    Q_OBJECT

private slots:
    void kinds();
    void notUtf8NamesKeptLosslessly();
    void failures_data();
    void failures();
    void unreadableFolder();
    void emptyFolder();
};

void TestDirectoryListing::kinds() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = QFile::encodeName(dir.path()) + '/';
    QVERIFY(makeFile(root + "song.mp3"));
    QVERIFY(makeFile(root + ".hidden.mp3"));
    QVERIFY(::mkdir(root + "Live", 0755) == 0);
    QVERIFY(::mkdir(root + ".git", 0755) == 0);
    QVERIFY(::symlink("song.mp3", root + "link to song.mp3") == 0);
    QVERIFY(::symlink("Live", root + "link to Live") == 0);
    QVERIFY(::symlink("nowhere.mp3", root + "broken.mp3") == 0);
    QVERIFY(::symlink("broken.mp3", root + "link to broken.mp3") == 0);
    QVERIFY(::mkfifo(root + "x.mp3", 0644) == 0);
    QVERIFY(::symlink("x.mp3", root + "link to fifo.mp3") == 0);

    DirectoryListing listing;
    DirectoryListing::Contents contents;
    contents.files << QStringLiteral("stale");
    // A FIFO must not be opened: opening one blocks until a writer comes.
    QVERIFY(listing.list(dir.path(), contents));
    QCOMPARE(sorted(contents.files), (QStringList{".hidden.mp3", "link to song.mp3", "song.mp3"}));
    QCOMPARE(sorted(contents.folders), (QStringList{".git", "Live", "link to Live"}));
}

void TestDirectoryListing::notUtf8NamesKeptLosslessly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = QFile::encodeName(dir.path()) + '/';
    const QByteArray latin1Name("caf\xe9 \xff.mp3");
    const QByteArray utf8Name("caf\xc3\xa9.mp3");
    QVERIFY(makeFile(root + latin1Name));
    QVERIFY(makeFile(root + utf8Name));
    QVERIFY(::mkdir(root + "dossier \xe9t\xe9", 0755) == 0);

    DirectoryListing listing;
    DirectoryListing::Contents contents;
    QVERIFY(listing.list(dir.path(), contents));
    QCOMPARE(contents.files.size(), 2);
    QList<QByteArray> back;
    for (const QString &name : std::as_const(contents.files))
        back << FileNames::encode(name);
    std::sort(back.begin(), back.end());
    QList<QByteArray> expected{latin1Name, utf8Name};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(back, expected);
    QVERIFY(contents.files.contains(QStringLiteral("caf\u00e9.mp3")));
    QCOMPARE(contents.folders.size(), 1);
    QCOMPARE(FileNames::encode(contents.folders.first()), QByteArray("dossier \xe9t\xe9"));
    // The decoded folder name lists again: the listing encodes what it decoded.
    DirectoryListing::Contents inner;
    QVERIFY(listing.list(dir.path() + QLatin1Char('/') + contents.folders.first(), inner));
    // QTemporaryDir removes by decoded names and would leave these behind.
    QCOMPARE(::unlink(root + latin1Name), 0);
    QCOMPARE(::rmdir(root + "dossier \xe9t\xe9"), 0);
}

void TestDirectoryListing::failures_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing folder") << QStringLiteral("missing");
    QTest::newRow("a file") << QStringLiteral("file.mp3");
    QTest::newRow("a FIFO") << QStringLiteral("fifo");
    QTest::newRow("a broken link") << QStringLiteral("broken");
    QTest::newRow("empty path") << QString();
}

void TestDirectoryListing::failures() {
    QFETCH(QString, relative);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = QFile::encodeName(dir.path()) + '/';
    QVERIFY(makeFile(root + "file.mp3"));
    QVERIFY(::mkfifo(root + "fifo", 0644) == 0);
    QVERIFY(::symlink("nowhere", root + "broken") == 0);
    const QString path = relative.isEmpty() ? QString() : dir.path() + QLatin1Char('/') + relative;
    DirectoryListing listing;
    DirectoryListing::Contents contents;
    contents.files << QStringLiteral("stale");
    contents.folders << QStringLiteral("stale");
    QVERIFY(!listing.list(path, contents));
    QVERIFY(contents.files.isEmpty());
    QVERIFY(contents.folders.isEmpty());
}

void TestDirectoryListing::unreadableFolder() {
    if (::geteuid() == 0) {
        // Permissions do not stop root from listing a folder.
        const QString failure = testenv::failureAsOtherUser(QTest::currentTestFunction());
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        return;
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString locked = dir.path() + QStringLiteral("/locked");
    QVERIFY(QDir().mkdir(locked));
    QVERIFY(makeFile(QFile::encodeName(locked) + "/a.mp3"));
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0) == 0);
    DirectoryListing listing;
    DirectoryListing::Contents contents;
    const bool listed = listing.list(locked, contents);
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    QVERIFY(!listed);
}

void TestDirectoryListing::emptyFolder() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DirectoryListing listing;
    DirectoryListing::Contents contents;
    QVERIFY(listing.list(dir.path(), contents));
    QVERIFY(contents.files.isEmpty());
    QVERIFY(contents.folders.isEmpty());
    // The root folder and a path with a trailing separator list as well.
    QVERIFY(listing.list(QStringLiteral("/"), contents));
    QVERIFY(!contents.folders.isEmpty());
    QVERIFY(listing.list(dir.path() + QLatin1Char('/'), contents));
}

QTEST_GUILESS_MAIN(TestDirectoryListing)
#include "tst_directorylisting.moc"
