#include "library/AddProgressWindow.h"
#include "library/FolderScanner.h"
#include "library/Library.h"
#include "platform/TagLibReader.h"
#include "support/ScanFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using scanfixture::captionsFor;
using scanfixture::copyMedia;
using scanfixture::makeTree;
using scanfixture::Scan;

namespace {
using Tags = QHash<QString, QStringList>; // relative path -> {artist, title}
} // namespace

class TestFolderScanner : public QObject {
    Q_OBJECT

private slots:
    void mediaNames_data();
    void mediaNames();
    void attributeLine_data();
    void attributeLine();
    void sortNames_data();
    void sortNames();
    void scan_data();
    void scan();
    void completionWindowAndHooks_data();
    void completionWindowAndHooks();
    void secondScanAddsNothingButRerunsThePass();
    void emptySourceDoesNothing();
    void realTags();
};

void TestFolderScanner::mediaNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("media");
    QTest::newRow("a.mp3") << "a.mp3" << true;
    QTest::newRow("SONG.MP3") << "SONG.MP3" << true;
    QTest::newRow("mixed case wma") << "x.WmA" << true;
    QTest::newRow("asf") << "y.asf" << true;
    QTest::newRow("ASX") << "list.ASX" << true;
    QTest::newRow("no dot needed") << "remixmp3" << true;
    QTest::newRow("exactly mp3") << "mp3" << true;
    QTest::newRow("bak after mp3") << "song.mp3.bak" << false;
    QTest::newRow("two letters") << "ab" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("mp4") << "a.mp4" << false;
    QTest::newRow("mp") << "a.mp" << false;
    QTest::newRow("ogg") << "a.ogg" << false;
}

void TestFolderScanner::mediaNames() {
    QFETCH(QString, name);
    QFETCH(bool, media);
    QCOMPARE(FolderScanner::isMediaName(name), media);
}

void TestFolderScanner::attributeLine_data() {
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("line");
    QTest::newRow("author and title") << "Artist"
                                      << "Title"
                                      << "f.mp3"
                                      << "Artist - Title";
    QTest::newRow("no author: kept") << ""
                                     << "Title"
                                     << "f.mp3"
                                     << "";
    QTest::newRow("no title: file name") << "Artist"
                                         << ""
                                         << "my song.mp3"
                                         << "Artist - my song";
    QTest::newRow("no title, dots in the name") << "A"
                                                << ""
                                                << "v1.2.final.wma"
                                                << "A - v1.2.final";
    QTest::newRow("no title, no dot") << "A"
                                      << ""
                                      << "remixmp3"
                                      << "A - remixmp3";
    QTest::newRow("spaces kept") << " A "
                                 << " T "
                                 << "f.mp3"
                                 << " A  -  T ";
}

void TestFolderScanner::attributeLine() {
    QFETCH(QString, artist);
    QFETCH(QString, title);
    QFETCH(QString, file);
    QFETCH(QString, line);
    QCOMPARE(FolderScanner::attributeLine(MediaTags{artist, title}, file), line);
}

void TestFolderScanner::sortNames_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("case ignored") << QStringList{"b", "C", "a"} << QStringList{"a", "b", "C"};
    QTest::newRow("ties by exact order")
        << QStringList{"b", "A", "a", "B"} << QStringList{"A", "a", "B", "b"};
    QTest::newRow("prefix first") << QStringList{"ab c", "ab", "Ab"}
                                  << QStringList{"Ab", "ab", "ab c"};
}

void TestFolderScanner::sortNames() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, sorted);
    FolderScanner::sortNames(names);
    QCOMPARE(names, sorted);
}

void TestFolderScanner::scan_data() {
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<Tags>("tags");
    QTest::addColumn<QStringList>("files");    // relative full paths, in row order
    QTest::addColumn<QStringList>("lines");    // display lines, in row order
    QTest::addColumn<QStringList>("arrivals"); // relative full paths, in the order added
    QTest::addColumn<bool>("completes");
    QTest::addColumn<bool>("allFormats");
    QTest::addColumn<int>("leftOut"); // the other formats' files the scan says it left out

    const Tags tagged{{"a.mp3", {"Artist A", "Title A"}},
                      {"C.WMA", {"", "Only A Title"}},
                      {"Live/x.asf", {"Artist X", ""}}};
    QTest::newRow("no subfolders: completion all the same")
        << QStringList{"a.mp3", "b.txt", "C.WMA"} << tagged << QStringList{"a.mp3", "C.WMA"}
        << QStringList{"Artist A - Title A", "C.WMA"} << QStringList{"a.mp3", "C.WMA"} << true
        << false << 0;
    QTest::newRow("one subfolder: completion replaces lines with an author")
        << QStringList{"a.mp3", "b.txt", "C.WMA", "Live/x.asf"} << tagged
        << QStringList{"a.mp3", "C.WMA", "Live/x.asf"}
        << QStringList{"Artist A - Title A", "C.WMA", "Artist X - x"}
        << QStringList{"a.mp3", "C.WMA", "Live/x.asf"} << true << false << 0;
    QTest::newRow("one level only")
        << QStringList{"a.mp3", "Live/x.asf", "Live/Deep/y.mp3", "Live/Deep/Deeper/z.mp3"} << Tags{}
        << QStringList{"a.mp3", "Live/x.asf"} << QStringList{"a.mp3", "x.asf"}
        << QStringList{"a.mp3", "Live/x.asf"} << true << false << 0;
    QTest::newRow("media test on the last three characters")
        << QStringList{"mp3", "remixmp3", "song.mp3.bak", "ab", "SONG.MP3", "zz.wma", "sub/"}
        << Tags{} << QStringList{"mp3", "remixmp3", "SONG.MP3", "zz.wma"}
        << QStringList{"mp3", "remixmp3", "SONG.MP3", "zz.wma"}
        << QStringList{"mp3", "remixmp3", "SONG.MP3", "zz.wma"} << true << false << 0;
    QTest::newRow("hidden files and folders left out")
        << QStringList{".h.mp3", "v.mp3", ".hidden/z.mp3", "Sub/.also.mp3", "Sub/w.mp3"} << Tags{}
        << QStringList{"v.mp3", "Sub/w.mp3"} << QStringList{"v.mp3", "w.mp3"}
        << QStringList{"v.mp3", "Sub/w.mp3"} << true << false << 0;
    QTest::newRow("only hidden subfolders still complete")
        << QStringList{"v.mp3", ".hidden/z.mp3"} << Tags{{"v.mp3", {"V", "T"}}}
        << QStringList{"v.mp3"} << QStringList{"V - T"} << QStringList{"v.mp3"} << true << false
        << 0;
    QTest::newRow("alphabetical: remix.mp3 first, then x.mp3 refused")
        << QStringList{"x.mp3", "remix.mp3", "d/"} << Tags{} << QStringList{"remix.mp3"}
        << QStringList{"remix.mp3"} << QStringList{"remix.mp3"} << true << false << 0;
    QTest::newRow("the folder's files before its subfolders")
        << QStringList{"x.mp3", "A/remix.mp3"} << Tags{} << QStringList{"A/remix.mp3", "x.mp3"}
        << QStringList{"remix.mp3", "x.mp3"} << QStringList{"x.mp3", "A/remix.mp3"} << true << false
        << 0;
    // By exact order "C" would come before "a", and x.mp3 would get in first.
    QTest::newRow("subfolders in alphabetical order, case ignored")
        << QStringList{"C/x.mp3", "a/remix.mp3", "B/one.mp3"} << Tags{}
        << QStringList{"B/one.mp3", "a/remix.mp3"} << QStringList{"one.mp3", "remix.mp3"}
        << QStringList{"a/remix.mp3", "B/one.mp3"} << true << false << 0;
    QTest::newRow("subfolder order decides refusals")
        << QStringList{"b/x.mp3", "a/remix.mp3"} << Tags{} << QStringList{"a/remix.mp3"}
        << QStringList{"remix.mp3"} << QStringList{"a/remix.mp3"} << true << false << 0;
    QTest::newRow("files listed in alphabetical order, case ignored")
        << QStringList{"B.mp3", "a.mp3", "C.mp3", "s/"} << Tags{}
        << QStringList{"a.mp3", "B.mp3", "C.mp3"} << QStringList{"a.mp3", "B.mp3", "C.mp3"}
        << QStringList{"a.mp3", "B.mp3", "C.mp3"} << true << false << 0;
    QTest::newRow("empty subfolder still completes")
        << QStringList{"only.mp3", "empty/"} << Tags{{"only.mp3", {"O", "T"}}}
        << QStringList{"only.mp3"} << QStringList{"O - T"} << QStringList{"only.mp3"} << true
        << false << 0;
    const QStringList others{"a.mp3",  "b.flac",    "e.txt",      "f.WV",
                             ".g.ogg", "Sub/c.ogg", "Sub/d.opus", "Sub/Deep/x.m4a"};
    QTest::newRow("other formats left out, and counted")
        << others << Tags{} << QStringList{"a.mp3"} << QStringList{"a.mp3"} << QStringList{"a.mp3"}
        << true << false << 4;
    QTest::newRow("All Formats: other formats taken")
        << others << Tags{{"Sub/c.ogg", {"Ogg Artist", "Ogg Title"}}}
        << QStringList{"a.mp3", "b.flac", "Sub/c.ogg", "Sub/d.opus", "f.WV"}
        << QStringList{"a.mp3", "b.flac", "Ogg Artist - Ogg Title", "d.opus", "f.WV"}
        << QStringList{"a.mp3", "b.flac", "f.WV", "Sub/c.ogg", "Sub/d.opus"} << true << true << 0;
    QTest::newRow("only other formats: none taken, all counted")
        << QStringList{"u.oga",     "v.m4a",     "w.aac", "x.wav",
                       "Sub/y.ape", "Sub/z.mpc", "ogg",   "a.flac.txt"}
        << Tags{} << QStringList{} << QStringList{} << QStringList{} << true << false << 6;
}

void TestFolderScanner::scan() {
    QFETCH(QStringList, tree);
    QFETCH(Tags, tags);
    QFETCH(QStringList, files);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, arrivals);
    QFETCH(bool, completes);
    QFETCH(bool, allFormats);
    QFETCH(int, leftOut);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), tree));
    for (const QString &workers : {QStringLiteral("0"), QStringLiteral("2")}) {
        Scan scan;
        scan.scanner.setWorkerThreads(workers.toInt());
        scan.formats.setOn(allFormats);
        for (auto it = tags.cbegin(); it != tags.cend(); ++it)
            scan.tags.add(dir.path() + QLatin1Char('/') + it.key(), it.value().at(0),
                          it.value().at(1));
        scan.scanner.addfiles(dir.path());

        QStringList expectedPaths;
        for (const QString &file : std::as_const(files))
            expectedPaths << dir.path() + QLatin1Char('/') + file;
        QCOMPARE(scan.fullPaths(), expectedPaths);
        QCOMPARE(scan.displayLines(), lines);
        QStringList added;
        for (int arrival = 0; arrival < scan.library.totalCount(); ++arrival)
            added << scan.library.fullPathOfArrival(arrival).mid(dir.path().size() + 1);
        QCOMPARE(added, arrivals);
        for (int row = 0; row < scan.library.count(); ++row)
            QCOMPARE(scan.library.pathLine(row),
                     scan.library.fileName(row) + QLatin1Char('|') + scan.library.fullPath(row));
        QCOMPARE(scan.stored, completes ? QStringList{dir.path()} : QStringList{});
        QCOMPARE(scan.windowsShown, completes ? 1 : 0);
        QCOMPARE(scan.captions, completes ? captionsFor(int(files.size())) : QStringList{});
        // Once for the scan: how many, where, and how to take them in.
        QCOMPARE(scan.said.size(), leftOut > 0 ? 1 : 0);
        for (const QString &words :
             {QStringLiteral("%1 files in ").arg(leftOut) + dir.path(),
              QStringLiteral("\"All Formats\""), QStringLiteral("--all-formats")})
            QVERIFY(leftOut == 0 || scan.said.value(0).contains(words));
        scan.scanner.addfiles(dir.path());
        QCOMPARE(scan.said.size(), leftOut > 0 ? 1 : 0);
    }
}

void TestFolderScanner::completionWindowAndHooks_data() {
    QTest::addColumn<int>("workers");
    QTest::newRow("tags read on the UI thread") << 0;
    QTest::newRow("tags read by workers") << 2;
}

void TestFolderScanner::completionWindowAndHooks() {
    QFETCH(int, workers);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"a.mp3", "C.WMA", "Live/x.asf"}));
    Scan scan;
    scan.scanner.setWorkerThreads(workers);
    scan.tags.add(dir.path() + QStringLiteral("/a.mp3"), QStringLiteral("A"), QStringLiteral("T"));
    scan.tags.add(dir.path() + QStringLiteral("/Live/x.asf"), QStringLiteral("X"), QString());
    // The source is stored as given, trailing separator and all.
    scan.scanner.addfiles(dir.path() + QLatin1Char('/'));

    QCOMPARE(scan.stored, QStringList{dir.path() + QLatin1Char('/')});
    QCOMPARE(scan.events, (QStringList{"store", "window", "pause"}));
    QCOMPARE(scan.pauses, QList<double>{0.55});
    QVERIFY(scan.windowVisibleInPause);
    QCOMPARE(scan.windowName, QStringLiteral("frmAdd"));
    QCOMPARE(scan.windowTitle, QStringLiteral("Adding Files, Please wait."));
    QCOMPARE(scan.initialStatus, QStringLiteral("Added 1 of 2"));
    QCOMPARE(scan.barMinimum, 0);
    QCOMPARE(scan.captions, captionsFor(3));
    QCOMPARE(scan.barValues, (QList<int>{0, 1, 2}));
    QCOMPARE(scan.barMaximum, 3);
    QCOMPARE(scan.linesAtCaption, (QStringList{"A - T", "C.WMA", "X - x"}));
    // The window is gone once the scan returns.
    QVERIFY(scan.lastWindow.isNull());
    QCOMPARE(scan.owner.findChildren<AddProgressWindow *>().size(), 0);
    // The folder given as "dir/" lists as "dir": no doubled separator in the paths.
    QCOMPARE(scan.library.fullPath(0), dir.path() + QStringLiteral("/a.mp3"));
}

void TestFolderScanner::secondScanAddsNothingButRerunsThePass() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(makeTree(dir.path(), {"a.mp3", "Live/x.asf"}));
    Scan scan;
    scan.tags.add(dir.path() + QStringLiteral("/a.mp3"), QStringLiteral("Old"),
                  QStringLiteral("T"));
    scan.scanner.addfiles(dir.path());
    QCOMPARE(scan.displayLines(), (QStringList{"Old - T", "x.asf"}));

    scan.captions.clear();
    QSignalSpy inserted(&scan.library, &QAbstractItemModel::rowsInserted);
    // The pass reads the files again: changed tags show, a removed author keeps the line.
    scan.tags.add(dir.path() + QStringLiteral("/a.mp3"), QString(), QStringLiteral("T"));
    scan.tags.add(dir.path() + QStringLiteral("/Live/x.asf"), QStringLiteral("New"),
                  QStringLiteral("X"));
    scan.scanner.addfiles(dir.path());
    QCOMPARE(inserted.size(), 0);
    QCOMPARE(scan.library.count(), 2);
    QCOMPARE(scan.captions, captionsFor(2));
    QCOMPARE(scan.displayLines(), (QStringList{"Old - T", "New - X"}));
    QCOMPARE(scan.stored.size(), 2);
}

void TestFolderScanner::emptySourceDoesNothing() {
    Scan scan;
    scan.scanner.addfiles(QString());
    QCOMPARE(scan.library.count(), 0);
    QVERIFY(scan.stored.isEmpty());
    QVERIFY(scan.pauses.isEmpty());
    QCOMPARE(scan.windowsShown, 0);
}

void TestFolderScanner::realTags() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString d = dir.path();
    for (const auto &[media, to] : std::initializer_list<std::pair<const char *, const char *>>{
             {"tagged.mp3", "/one.mp3"},
             {"untagged.mp3", "/two.MP3"},
             {"titleonly.mp3", "/Sub/three.mp3"},
             {"tagged.wma", "/Sub/four.wma"},
             {"tagged.asf", "/Sub/five.asf"},
             {"random.mp3", "/Sub/six.mp3"},
             {"empty.mp3", "/Sub/seven.mp3"},
             {"playlist.asx", "/Sub/eight.asx"}})
        QVERIFY(copyMedia(QString::fromLatin1(media), d + QString::fromLatin1(to)));
    const TagLibReader reader;
    Scan scan(&reader);
    scan.scanner.addfiles(d);
    QCOMPARE(scan.displayLines(), (QStringList{"eight.asx", "Asf Author - Asf Title",
                                               "Wma Author - Wma Title", "Test Artist - Test Title",
                                               "seven.mp3", "six.mp3", "three.mp3", "two.MP3"}));
    QCOMPARE(scan.captions, captionsFor(8));
}

QTEST_MAIN(TestFolderScanner)
#include "tst_folderscanner.moc"
