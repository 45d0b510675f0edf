#include "library/Library.h"
#include "support/LibraryInput.h"

#include <QSignalSpy>
#include <QTest>

using libraryinput::Add;
using libraryinput::displayLines;
using libraryinput::pathLines;
using libraryinput::randomAdds;

namespace {

using Result = Library::AddResult;

// The simplest library there is: two parallel lists, a loop over every path line for the
// refusal test, and one-by-one inserts after every entry that sorts equal ignoring case. The
// tests hold Library to exactly these answers.
struct PlainLibrary {
    QStringList files;
    QStringList paths;

    Result add(const QString &file, const QString &folder) {
        for (const QString &path : std::as_const(paths)) {
            if (path.contains(file))
                return Result::Refused;
        }
        qsizetype at = 0;
        while (at < files.size() && QString::compare(files.at(at), file, Qt::CaseInsensitive) <= 0)
            ++at;
        files.insert(at, file);
        paths.insert(at, file + QLatin1Char('|') + folder + QLatin1Char('/') + file);
        return Result::Added;
    }
};

} // namespace

Q_DECLARE_METATYPE(QList<Add>)

class TestLibrary : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void ordering_data();
    void ordering();
    void refusal_data();
    void refusal();
    void replacedDisplayLinesDoNotMove();
    void againstPlain_data();
    void againstPlain();
    void capacity();
    void capacityCountsBatch();
    void searches_data();
    void searches();
    void searchesFollowReplacedLines();
    void arrivals();
    void outOfRangeRows();
};

void TestLibrary::lines_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("pathLine");
    QTest::addColumn<QString>("fullPath");

    QTest::newRow("plain") << QStringLiteral("song.mp3") << QStringLiteral("/home/u/Music")
                           << QStringLiteral("song.mp3|/home/u/Music/song.mp3")
                           << QStringLiteral("/home/u/Music/song.mp3");
    QTest::newRow("spaces") << QStringLiteral("track 03.mp3") << QStringLiteral("/m/Live Set")
                            << QStringLiteral("track 03.mp3|/m/Live Set/track 03.mp3")
                            << QStringLiteral("/m/Live Set/track 03.mp3");
    QTest::newRow("bar in the name")
        << QStringLiteral("a|b.mp3") << QStringLiteral("/m") << QStringLiteral("a|b.mp3|/m/a|b.mp3")
        << QStringLiteral("/m/a|b.mp3");
    QTest::newRow("bar in the folder")
        << QStringLiteral("c.mp3") << QStringLiteral("/x|y") << QStringLiteral("c.mp3|/x|y/c.mp3")
        << QStringLiteral("/x|y/c.mp3");
    QTest::newRow("root folder") << QStringLiteral("r.mp3") << QStringLiteral("/")
                                 << QStringLiteral("r.mp3|/r.mp3") << QStringLiteral("/r.mp3");
    QTest::newRow("not UTF-8, kept")
        << QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".mp3") << QStringLiteral("/m")
        << QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".mp3|/m/caf") + QChar(0xDCE9) +
               QStringLiteral(".mp3")
        << QStringLiteral("/m/caf") + QChar(0xDCE9) + QStringLiteral(".mp3");
}

void TestLibrary::lines() {
    QFETCH(QString, file);
    QFETCH(QString, folder);
    QFETCH(QString, pathLine);
    QFETCH(QString, fullPath);
    Library library;
    QCOMPARE(library.AddIt(file, folder), Result::Added);
    QCOMPARE(library.count(), 1);
    QCOMPARE(library.displayLine(0), file);
    QCOMPARE(library.fileName(0), file);
    QCOMPARE(library.pathLine(0), pathLine);
    QCOMPARE(library.fullPath(0), fullPath);
    QCOMPARE(library.data(library.index(0, Library::DisplayColumn)).toString(), file);
    QCOMPARE(library.data(library.index(0, Library::PathColumn)).toString(), pathLine);
    QCOMPARE(library.columnCount(), 2);
    QCOMPARE(library.rowCount(library.index(0, 0)), 0);
}

void TestLibrary::ordering_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("b a C") << QStringList{"b.mp3", "a.mp3", "C.mp3"}
                           << QStringList{"a.mp3", "b.mp3", "C.mp3"};
    QTest::newRow("case ignored") << QStringList{"Zulu.mp3", "alpha.mp3", "Bravo.mp3",
                                                 "charlie.mp3"}
                                  << QStringList{"alpha.mp3", "Bravo.mp3", "charlie.mp3",
                                                 "Zulu.mp3"};
    QTest::newRow("equal but for case: first stays first")
        << QStringList{"Song.mp3", "song.mp3", "SONG.mp3"}
        << QStringList{"Song.mp3", "song.mp3", "SONG.mp3"};
    QTest::newRow("equal but for case, other way")
        << QStringList{"SONG.mp3", "song.mp3", "Song.mp3"}
        << QStringList{"SONG.mp3", "song.mp3", "Song.mp3"};
    QTest::newRow("prefix before longer name") << QStringList{"abc.wma", "ab.mp3", "abcd.asf"}
                                               << QStringList{"ab.mp3", "abc.wma", "abcd.asf"};
    QTest::newRow("digits and spaces")
        << QStringList{"10 ten.mp3", "2 two.mp3", " space.mp3", "1 one.mp3"}
        << QStringList{" space.mp3", "1 one.mp3", "10 ten.mp3", "2 two.mp3"};
    QTest::newRow("accented capital folds")
        << QStringList{QStringLiteral("\u00C9cole.mp3"), QStringLiteral("zebra.mp3"),
                       QStringLiteral("\u00E9t\u00E9.mp3")}
        << QStringList{QStringLiteral("zebra.mp3"), QStringLiteral("\u00C9cole.mp3"),
                       QStringLiteral("\u00E9t\u00E9.mp3")};
}

void TestLibrary::ordering() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, order);
    for (const bool batch : {false, true}) {
        Library library;
        if (batch)
            library.beginBatch();
        for (const QString &file : std::as_const(files))
            QCOMPARE(library.AddIt(file, QStringLiteral("/m")), Result::Added);
        if (batch)
            library.endBatch();
        QCOMPARE(displayLines(library), order);
        for (int row = 0; row < library.count(); ++row)
            QCOMPARE(library.pathLine(row), order.at(row) + QStringLiteral("|/m/") + order.at(row));
    }
}

void TestLibrary::refusal_data() {
    QTest::addColumn<QList<Add>>("present");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("added");

    const QList<Add> remix{{"remix.mp3", "/home/u/Music"}};
    QTest::newRow("same name, other folder") << QList<Add>{{"song.mp3", "/c/Music"}} << "song.mp3"
                                             << "/d/Other" << false;
    QTest::newRow("name inside another name") << remix << "x.mp3"
                                              << "/anywhere" << false;
    QTest::newRow("case differs") << remix << "X.mp3"
                                  << "/anywhere" << true;
    QTest::newRow("longer name containing a present one") << remix << "a remix.mp3"
                                                          << "/m" << true;
    QTest::newRow("name inside a folder")
        << QList<Add>{{"a.mp3", "/srv/Best Of Live.mp3 Sessions"}} << "Live.mp3"
        << "/m" << false;
    QTest::newRow("long name inside a folder")
        << QList<Add>{{"a.mp3", "/srv/The Greatest Hits Collection.wma/disc 1"}}
        << "Greatest Hits Collection.wma"
        << "/m" << false;
    QTest::newRow("name spanning the bar") << QList<Add>{{"ab", "/cd"}} << "b|/c"
                                           << "/m" << false;
    QTest::newRow("name spanning the last slash")
        << QList<Add>{{"tune.mp3", "/music/rock"}} << "rock/tune"
        << "/m" << false;
    QTest::newRow("three-letter name in any line") << remix << "mp3"
                                                   << "/m" << false;
    QTest::newRow("three-letter name absent") << remix << "wma"
                                              << "/m" << true;
    QTest::newRow("folder name of the new file does not matter") << remix << "other.mp3"
                                                                 << "/home/u/Music" << true;
    QTest::newRow("empty library accepts anything") << QList<Add>{} << "a.mp3"
                                                    << "/m" << true;
    QTest::newRow("empty name refused once anything is there") << remix << ""
                                                               << "/m" << false;
}

void TestLibrary::refusal() {
    QFETCH(QList<Add>, present);
    QFETCH(QString, file);
    QFETCH(QString, folder);
    QFETCH(bool, added);
    Library library;
    for (const Add &add : std::as_const(present))
        QCOMPARE(library.AddIt(add.first, add.second), Result::Added);
    const QStringList before = pathLines(library);
    QCOMPARE(library.AddIt(file, folder), added ? Result::Added : Result::Refused);
    QCOMPARE(library.count(), before.size() + (added ? 1 : 0));
    if (!added)
        QCOMPARE(pathLines(library), before);
}

void TestLibrary::replacedDisplayLinesDoNotMove() {
    Library library;
    library.AddIt(QStringLiteral("b.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("d.mp3"), QStringLiteral("/m"));
    library.setDisplayLine(0, QStringLiteral("Zed - Intro"));
    QCOMPARE(library.displayLine(0), QStringLiteral("Zed - Intro"));
    library.AddIt(QStringLiteral("c.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/m"));
    QCOMPARE(displayLines(library), (QStringList{"a.mp3", "Zed - Intro", "c.mp3", "d.mp3"}));
    QCOMPARE(library.fullPath(1), QStringLiteral("/m/b.mp3"));
    QCOMPARE(library.pathLine(1), QStringLiteral("b.mp3|/m/b.mp3"));
}

void TestLibrary::againstPlain_data() {
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<quint32>("seed");
    // Small alphabets make refusals frequent; lengths straddle the index's switches.
    QTest::newRow("ab, up to 6") << QStringLiteral("ab") << 6 << 11u;
    QTest::newRow("abc, up to 14") << QStringLiteral("abc") << 14 << 12u;
    QTest::newRow("aAbB., up to 20") << QStringLiteral("aAbB.") << 20 << 13u;
    QTest::newRow("letters and bar, up to 30") << QStringLiteral("xyXY| ") << 30 << 14u;
    QTest::newRow("accents, up to 12") << QStringLiteral("e\u00E9\u00C9E") << 12 << 15u;
}

void TestLibrary::againstPlain() {
    QFETCH(QString, alphabet);
    QFETCH(int, maxLength);
    QFETCH(quint32, seed);
    const QList<Add> adds = randomAdds(seed, 2500, alphabet, maxLength);
    Library library;
    PlainLibrary plain;
    int added = 0;
    for (const Add &add : adds) {
        const Result expected = plain.add(add.first, add.second);
        QCOMPARE(library.AddIt(add.first, add.second), expected);
        added += expected == Result::Added;
    }
    QVERIFY2(added > 50 && added < adds.size() - 100, qPrintable(QString::number(added)));
    QCOMPARE(pathLines(library), plain.paths);
    QCOMPARE(displayLines(library), plain.files);
}

void TestLibrary::capacity() {
    Library library;
    QSignalSpy full(&library, &Library::becameFull);
    library.beginBatch();
    for (int i = 0; i < Library::kCapacity; ++i)
        QCOMPARE(library.AddIt(QStringLiteral("f%1.mp3").arg(i, 5, 10, QLatin1Char('0')),
                               QStringLiteral("/m")),
                 Result::Added);
    library.endBatch();
    QCOMPARE(library.count(), Library::kCapacity);
    QVERIFY(library.isFull());
    QCOMPARE(full.size(), 0);
    const QString first = library.pathLine(0);
    const QString last = library.pathLine(Library::kCapacity - 1);

    QSignalSpy inserted(&library, &QAbstractItemModel::rowsInserted);
    QCOMPARE(library.AddIt(QStringLiteral("new.mp3"), QStringLiteral("/m")), Result::Full);
    QCOMPARE(full.size(), 1);
    // A name that would be refused anyway is Full too: nothing is looked at any more.
    QCOMPARE(library.AddIt(QStringLiteral("f00001.mp3"), QStringLiteral("/m")), Result::Full);
    library.beginBatch();
    QCOMPARE(library.AddIt(QStringLiteral("other.mp3"), QStringLiteral("/m")), Result::Full);
    library.endBatch();
    QCOMPARE(full.size(), 1); // once only
    QCOMPARE(inserted.size(), 0);
    QCOMPARE(library.count(), Library::kCapacity);
    QCOMPARE(library.pathLine(0), first);
    QCOMPARE(library.pathLine(Library::kCapacity - 1), last);
}

void TestLibrary::capacityCountsBatch() {
    Library library;
    QSignalSpy full(&library, &Library::becameFull);
    library.beginBatch();
    int added = 0;
    for (int i = 0; i < Library::kCapacity + 10; ++i) {
        const Result result = library.AddIt(
            QStringLiteral("g%1.wma").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("/m"));
        added += result == Result::Added;
        QCOMPARE(result, i < Library::kCapacity ? Result::Added : Result::Full);
    }
    QCOMPARE(full.size(), 1);
    QCOMPARE(library.count(), 0);
    library.endBatch();
    QCOMPARE(added, Library::kCapacity);
    QCOMPARE(library.count(), Library::kCapacity);
    QCOMPARE(library.rowCount(), Library::kCapacity);
}

void TestLibrary::searches_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("firstDisplay");
    QTest::addColumn<int>("lastPath");

    const QStringList ab{"a b.mp3", "ab.mp3"};
    QTest::newRow("folded display line wins early") << ab << "ab" << 0 << 1;
    QTest::newRow("find song") << QStringList{"a song.mp3", "songbird.mp3"} << "song" << 0 << 1;
    QTest::newRow("nothing contains it") << ab << "zzz" << -1 << -1;
    QTest::newRow("empty key: every line") << ab << "" << 0 << 1;
    QTest::newRow("folder matches every path line") << ab << "/music/" << -1 << 1;
    QTest::newRow("bar matches every path line only") << ab << "|" << -1 << 1;
    QTest::newRow("capitals folded")
        << QStringList{"My Song.mp3", "other.mp3"} << "mysong" << 0 << 0;
    QTest::newRow("unfolded key finds nothing") << QStringList{"My Song.mp3"} << "My" << -1 << -1;
    QTest::newRow("empty library") << QStringList{} << "" << -1 << -1;
}

void TestLibrary::searches() {
    QFETCH(QStringList, files);
    QFETCH(QString, key);
    QFETCH(int, firstDisplay);
    QFETCH(int, lastPath);
    Library library;
    for (const QString &file : std::as_const(files))
        QCOMPARE(library.AddIt(file, QStringLiteral("/Music/")), Result::Added);
    QCOMPARE(library.firstDisplayMatch(key), firstDisplay);
    QCOMPARE(library.lastPathMatch(key), lastPath);
}

void TestLibrary::searchesFollowReplacedLines() {
    Library library;
    library.AddIt(QStringLiteral("one.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("two.mp3"), QStringLiteral("/m"));
    QCOMPARE(library.firstDisplayMatch(QStringLiteral("two")), 1);
    QCOMPARE(library.foldedDisplayLine(1), QStringLiteral("two.mp3"));
    library.setDisplayLine(1, QStringLiteral("Some Artist - Some Title"));
    QCOMPARE(library.foldedDisplayLine(1), QStringLiteral("someartist-sometitle"));
    QCOMPARE(library.firstDisplayMatch(QStringLiteral("two")), -1);
    QCOMPARE(library.firstDisplayMatch(QStringLiteral("artist-some")), 1);
    // The path line is untouched by the replacement.
    QCOMPARE(library.lastPathMatch(QStringLiteral("two")), 1);
    QCOMPARE(library.foldedPathLine(1), QStringLiteral("two.mp3|/m/two.mp3"));

    // A search over a full library, then a new entry in front of everything.
    library.AddIt(QStringLiteral("Alpha Song.mp3"), QStringLiteral("/m"));
    QCOMPARE(library.firstDisplayMatch(QStringLiteral("alphasong")), 0);
    QCOMPARE(library.firstDisplayMatch(QStringLiteral("artist-some")), 2);
}

void TestLibrary::arrivals() {
    Library library;
    library.AddIt(QStringLiteral("m.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("z.mp3"), QStringLiteral("/z"));
    library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/a"));
    QCOMPARE(library.arrivalOf(0), 2);
    QCOMPARE(library.arrivalOf(1), 0);
    QCOMPARE(library.arrivalOf(2), 1);
    QCOMPARE(library.fullPathOfArrival(0), QStringLiteral("/m/m.mp3"));
    QCOMPARE(library.fullPathOfArrival(2), QStringLiteral("/a/a.mp3"));
    library.beginBatch();
    library.AddIt(QStringLiteral("b.mp3"), QStringLiteral("/b"));
    QCOMPARE(library.fullPathOfArrival(3), QStringLiteral("/b/b.mp3"));
    library.endBatch();
    QCOMPARE(library.arrivalOf(1), 3);
    QCOMPARE(library.fullPathOfArrival(4), QString());
    QCOMPARE(library.arrivalOf(4), -1);
}

void TestLibrary::outOfRangeRows() {
    Library library;
    library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/m"));
    for (const int row : {-1, 1, 100}) {
        QCOMPARE(library.displayLine(row), QString());
        QCOMPARE(library.pathLine(row), QString());
        QCOMPARE(library.fullPath(row), QString());
        QCOMPARE(library.fileName(row), QString());
        QCOMPARE(library.foldedDisplayLine(row), QString());
        QCOMPARE(library.foldedPathLine(row), QString());
        QVERIFY(!library.data(library.index(row, 0)).isValid());
    }
}

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
