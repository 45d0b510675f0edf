#include "library/SubstringIndex.h"

#include <QRandomGenerator>
#include <QTest>

// The index must give exactly the plain search's answer. Each case is asked both ways; the
// expected answers are written out by hand for the named cases, and for the random ones the
// plain search (a loop of QStringView::contains) is the reference.
class TestSubstringIndex : public QObject {
    Q_OBJECT

private slots:
    void namedCases_data();
    void namedCases();
    void emptyIndex();
    void randomAgainstPlain_data();
    void randomAgainstPlain();
    void shortTableBuiltLate();
    void textOutlivesCallerCopy();
};

void TestSubstringIndex::namedCases_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<bool>("found");

    const QStringList music{QStringLiteral("remix.mp3|/home/u/Music/remix.mp3"),
                            QStringLiteral("Song Of The Year.wma|/home/u/Music/Live/Song Of The "
                                           "Year.wma")};
    QTest::newRow("whole file name") << music << QStringLiteral("remix.mp3") << true;
    QTest::newRow("name inside another name") << music << QStringLiteral("x.mp3") << true;
    QTest::newRow("case differs") << music << QStringLiteral("X.mp3") << false;
    QTest::newRow("name only in a folder") << music << QStringLiteral("Music") << true;
    QTest::newRow("long name only in a folder")
        << QStringList{QStringLiteral("a.mp3|/srv/Greatest Hits Collection/a.mp3")}
        << QStringLiteral("Greatest Hits Collection") << true;
    QTest::newRow("across the bar") << music << QStringLiteral("mp3|/home") << true;
    QTest::newRow("across the bar, 8 units") << music << QStringLiteral(".mp3|/ho") << true;
    QTest::newRow("across a slash") << music << QStringLiteral("Music/Live") << true;
    QTest::newRow("across the last slash") << music << QStringLiteral("Live/Song Of") << true;
    QTest::newRow("slash not there") << music << QStringLiteral("Music/remix.wma") << false;
    QTest::newRow("long name absent") << music << QStringLiteral("Song Of The Year.mp3") << false;
    QTest::newRow("long name present") << music << QStringLiteral("Song Of The Year.wma") << true;
    QTest::newRow("tail of a long name") << music << QStringLiteral("The Year.wma") << true;
    QTest::newRow("3 units") << music << QStringLiteral("mp3") << true;
    QTest::newRow("3 units absent") << music << QStringLiteral("asx") << false;
    QTest::newRow("one unit") << music << QStringLiteral("|") << true;
    QTest::newRow("4 units") << music << QStringLiteral("Year") << true;
    QTest::newRow("5 units") << music << QStringLiteral(" Year") << true;
    QTest::newRow("5 units absent") << music << QStringLiteral("yYear") << false;
    QTest::newRow("7 units absent") << music << QStringLiteral("Yearly.") << false;
    QTest::newRow("10 units") << music << QStringLiteral("Of The Yea") << true;
    QTest::newRow("longer than every line")
        << music << QStringLiteral("remix.mp3|/home/u/Music/remix.mp3 and more") << false;
    QTest::newRow("whole line") << music << QStringLiteral("remix.mp3|/home/u/Music/remix.mp3")
                                << true;
    QTest::newRow("bar in a file name")
        << QStringList{QStringLiteral("a|b side.mp3|/m/a|b side.mp3")}
        << QStringLiteral("a|b side.mp3") << true;
    QTest::newRow("relative folder, first segment")
        << QStringList{QStringLiteral("track.mp3|music/track.mp3")}
        << QStringLiteral("track.mp3|music") << true;
    QTest::newRow("root folder") << QStringList{QStringLiteral("track.mp3|/track.mp3")}
                                 << QStringLiteral("track.mp3|/track") << true;
    QTest::newRow("line without slash")
        << QStringList{QStringLiteral("plain text line without separators")}
        << QStringLiteral("without separators") << true;
    QTest::newRow("same folder twice, second file")
        << QStringList{QStringLiteral("one.mp3|/shared/folder/one.mp3"),
                       QStringLiteral("two long name.mp3|/shared/folder/two long name.mp3")}
        << QStringLiteral("two long name") << true;
    QTest::newRow("last segment unlike the first")
        << QStringList{QStringLiteral("abc|/x/defghijklmnop")} << QStringLiteral("defghijklmnop")
        << true;
    const QStringList sameLengthFolders{QStringLiteral("one.mp3|/m/Folder Number One/one.mp3"),
                                        QStringLiteral("two.mp3|/m/Folder Number Two/two.mp3")};
    QTest::newRow("second folder of the same length")
        << sameLengthFolders << QStringLiteral("Number Two") << true;
    QTest::newRow("second folder of the same length, short needle")
        << sameLengthFolders << QStringLiteral("r Tw") << true;
    QTest::newRow("empty needle") << music << QString() << true;
    QTest::newRow("lone surrogates kept as they are")
        << QStringList{QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".mp3|/m/caf") +
                       QChar(0xDCE9) + QStringLiteral(".mp3")}
        << QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".mp3") << true;
    QTest::newRow("surrogate pair")
        << QStringList{QStringLiteral("song \U0001F3B5 mix.mp3|/m/song \U0001F3B5 mix.mp3")}
        << QStringLiteral("\U0001F3B5 mix.mp3") << true;
}

void TestSubstringIndex::namedCases() {
    QFETCH(QStringList, lines);
    QFETCH(QString, needle);
    QFETCH(bool, found);
    SubstringIndex index;
    for (const QString &line : std::as_const(lines))
        index.add(line);
    QCOMPARE(index.containsPlain(needle), found);
    QCOMPARE(index.contains(needle), found);
}

void TestSubstringIndex::emptyIndex() {
    SubstringIndex index;
    QVERIFY(!index.contains(QString()));
    QVERIFY(!index.contains(QStringLiteral("a")));
    QVERIFY(!index.contains(QStringLiteral("a much longer needle.mp3")));
    QCOMPARE(index.size(), 0);
}

namespace {

QString randomText(QRandomGenerator &random, const QString &alphabet, int minLength,
                   int maxLength) {
    const int length = minLength + random.bounded(maxLength - minLength + 1);
    QString text;
    for (int i = 0; i < length; ++i)
        text.append(alphabet.at(random.bounded(int(alphabet.size()))));
    return text;
}

} // namespace

void TestSubstringIndex::randomAgainstPlain_data() {
    QTest::addColumn<QString>("alphabet");
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("minName");
    QTest::addColumn<int>("maxName");
    QTest::addColumn<quint32>("seed");

    // Tiny alphabets make hits frequent, so both answers are exercised; name lengths straddle
    // every switch between the plain search and the two tables (5 and 11 units).
    QTest::newRow("ab, short names") << QStringLiteral("ab") << 3 << 1 << 7 << 1u;
    QTest::newRow("ab, names around 8") << QStringLiteral("ab") << 3 << 6 << 12 << 2u;
    QTest::newRow("abc, long names") << QStringLiteral("abc") << 5 << 9 << 24 << 3u;
    QTest::newRow("abc., all lengths") << QStringLiteral("abc.") << 8 << 1 << 30 << 4u;
    QTest::newRow("with bars and spaces") << QStringLiteral("ab| ") << 4 << 2 << 20 << 5u;
    QTest::newRow("case pairs") << QStringLiteral("aAbB") << 6 << 3 << 16 << 6u;
    QTest::newRow("wider alphabet") << QStringLiteral("abcdefgh") << 20 << 4 << 14 << 7u;
}

void TestSubstringIndex::randomAgainstPlain() {
    QFETCH(QString, alphabet);
    QFETCH(int, folders);
    QFETCH(int, minName);
    QFETCH(int, maxName);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);

    QStringList folderPaths;
    for (int i = 0; i < folders; ++i) {
        QString path;
        const int depth = 1 + random.bounded(3);
        for (int d = 0; d < depth; ++d)
            path += QLatin1Char('/') + randomText(random, alphabet, 1, 12);
        folderPaths << path;
    }

    SubstringIndex index;
    int hits = 0;
    int misses = 0;
    for (int step = 0; step < 3000; ++step) {
        QString needle;
        switch (random.bounded(4)) {
        case 0: // a piece of a folder, which only the folder part of a line can hold
            needle = folderPaths.at(random.bounded(folders)).mid(1 + random.bounded(3));
            needle.truncate(1 + random.bounded(20));
            break;
        case 1: // a piece of a line already there, possibly across "|" or "/"
            if (index.size() > 0) {
                const QString &line = index.line(random.bounded(int(index.size())));
                const int from = random.bounded(int(line.size()));
                needle = line.mid(from, 1 + random.bounded(25));
                break;
            }
            Q_FALLTHROUGH();
        default:
            needle = randomText(random, alphabet, minName, maxName);
        }
        const bool plain = index.containsPlain(needle);
        QCOMPARE(index.contains(needle), plain);
        plain ? ++hits : ++misses;
        if (!plain && !needle.contains(QLatin1Char('/'))) {
            const QString &folder = folderPaths.at(random.bounded(folders));
            index.add(needle + QLatin1Char('|') + folder + QLatin1Char('/') + needle);
        }
    }
    // Both answers must have come up often enough for the comparison to mean something.
    QVERIFY2(hits > 100 && misses > 100,
             qPrintable(QStringLiteral("hits %1, misses %2").arg(hits).arg(misses)));
}

void TestSubstringIndex::shortTableBuiltLate() {
    // Lines added before the first short needle are indexed when it comes, lines after it as
    // they arrive.
    SubstringIndex index;
    index.add(QStringLiteral("first file.mp3|/m/first file.mp3"));
    QVERIFY(index.contains(QStringLiteral("first file.mp3")));
    QVERIFY(index.contains(QStringLiteral("st fi")));
    QVERIFY(!index.contains(QStringLiteral("nd fi")));
    index.add(QStringLiteral("second file.mp3|/m/second file.mp3"));
    QVERIFY(index.contains(QStringLiteral("nd fi")));
    QVERIFY(index.contains(QStringLiteral("cond f")));
    QVERIFY(!index.contains(QStringLiteral("third")));
}

void TestSubstringIndex::textOutlivesCallerCopy() {
    // The index keeps its own reference to each line: the caller's string may change or go.
    SubstringIndex index;
    {
        QString line = QStringLiteral("volatile name.mp3|/m/volatile name.mp3");
        index.add(line);
        line.fill(QLatin1Char('x'));
    }
    QVERIFY(index.contains(QStringLiteral("volatile name.mp3")));
    QVERIFY(!index.contains(QStringLiteral("xxxxxxxxxxxx")));
}

QTEST_GUILESS_MAIN(TestSubstringIndex)
#include "tst_substringindex.moc"
