#include "player/Announcement.h"
#include "player/RandomBag.h"
#include "player/RandomNumber.h"

#include <QTest>
#include <numeric>

class TestAnnouncement : public QObject {
    Q_OBJECT
private slots:
    void expand_data();
    void expand();
    void randomFormula_data();
    void randomFormula();
    void randomStaysInRange();
    void noRepeats_data();
    void noRepeats();
};

void TestAnnouncement::expand_data() {
    QTest::addColumn<QString>("templateText");
    QTest::addColumn<QString>("author");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    const QString design = "playing %s by %a, duration %d, number %n, bitrate %b";
    QTest::newRow("design template") << design << "X"
                                     << "Y"
                                     << "x.mp3"
                                     << "playing Y by X, duration 3:05, number 3, bitrate 128000";
    QTest::newRow("upper case stays") << "%A %S %N %D %B %F"
                                      << "X"
                                      << "Y"
                                      << "l"
                                      << "%A %S %N %D %B %F";
    QTest::newRow("every occurrence") << "%s/%s/%a%a"
                                      << "X"
                                      << "Y"
                                      << "l"
                                      << "Y/Y/XX";
    // Song data is inserted as it stands: a code inside a value is text, never expanded again.
    QTest::newRow("author naming a later code") << "by %a"
                                                << "%s"
                                                << "Y"
                                                << "l"
                                                << "by %s";
    QTest::newRow("name naming an earlier code") << "%s"
                                                 << "X"
                                                 << "%a"
                                                 << "l"
                                                 << "%a";
    QTest::newRow("untagged file named with the number code") << "playing %s"
                                                              << ""
                                                              << "x %n y"
                                                              << "x %n y.mp3"
                                                              << "playing x %n y";
    QTest::newRow("codes in every value") << "%a|%s|%f"
                                          << "%n%d"
                                          << "%b%f"
                                          << "%a%s"
                                          << "%n%d|%b%f|%a%s";
    QTest::newRow("title of many codes")
        << "%s by %a, %f"
        << "A" << QStringLiteral("%f").repeated(500)
        << QStringLiteral("A - ") + QStringLiteral("%f").repeated(500)
        << QStringLiteral("%f").repeated(500) + " by A, A - " + QStringLiteral("%f").repeated(500);
    QTest::newRow("a value and the template do not make a code") << "%%a"
                                                                 << "s"
                                                                 << "Y"
                                                                 << "l"
                                                                 << "%s";
    QTest::newRow("value ending in a percent sign") << "%a%s"
                                                    << "50%"
                                                    << "Y"
                                                    << "l"
                                                    << "50%Y";
    QTest::newRow("library line") << "file %f"
                                  << "X"
                                  << "Y"
                                  << "Deep Purple - Smoke.mp3"
                                  << "file Deep Purple - Smoke.mp3";
    QTest::newRow("no placeholders") << "hello <b>room</b>"
                                     << "X"
                                     << "Y"
                                     << "l"
                                     << "hello <b>room</b>";
    QTest::newRow("empty template") << ""
                                    << "X"
                                    << "Y"
                                    << "l"
                                    << "";
    QTest::newRow("percent alone") << "100% %"
                                   << "X"
                                   << "Y"
                                   << "l"
                                   << "100% %";
    QTest::newRow("no overlap: %%a") << "%%a"
                                     << "X"
                                     << "Y"
                                     << "l"
                                     << "%X";
    QTest::newRow("markup in tags is escaped") << "<i>%s</i> by %a"
                                               << "A & B"
                                               << "x<BR>me: pause"
                                               << "l"
                                               << "<i>x&lt;BR&gt;me: pause</i> by A &amp; B";
    QTest::newRow("markup in the library line is escaped") << "%f"
                                                           << "X"
                                                           << "Y"
                                                           << "<script>.mp3"
                                                           << "&lt;script&gt;.mp3";
}

void TestAnnouncement::expand() {
    QFETCH(QString, templateText);
    QFETCH(QString, author);
    QFETCH(QString, name);
    QFETCH(QString, line);
    QFETCH(QString, expected);
    Announcement::Values values;
    values.author = author;
    values.name = name;
    values.number = "3";
    values.duration = "3:05";
    values.bitRate = 128000;
    values.libraryLine = line;
    QCOMPARE(Announcement::expand(templateText, values), expected);
}

void TestAnnouncement::randomFormula_data() {
    QTest::addColumn<int>("highest");
    QTest::addColumn<int>("lowest");
    QTest::addColumn<float>("r");
    QTest::addColumn<int>("expected");
    const float almostOne = std::nextafter(1.0f, 0.0f);
    QTest::newRow("0..0") << 0 << 0 << 0.7f << 0;
    QTest::newRow("empty library") << -1 << 0 << 0.9f << 0;
    QTest::newRow("bottom") << 5 << 1 << 0.0f << 1;
    QTest::newRow("top") << 5 << 1 << almostOne << 5;
    QTest::newRow("largest library, top") << 32766 << 0 << almostOne << 32766;
    QTest::newRow("half") << 9 << 0 << 0.5f << 5;
    QTest::newRow("negative range") << -3 << -7 << 0.25f << -6;
}

void TestAnnouncement::randomFormula() {
    QFETCH(int, highest);
    QFETCH(int, lowest);
    QFETCH(float, r);
    QFETCH(int, expected);
    QCOMPARE(randomBetween(highest, lowest, r), expected);
}

void TestAnnouncement::randomStaysInRange() {
    QSet<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int value = randomBetween(4, 1);
        QVERIFY(value >= 1 && value <= 4);
        seen.insert(value);
    }
    QCOMPARE(seen.size(), 4);
}

void TestAnnouncement::noRepeats_data() {
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("draws");
    QTest::newRow("50 files, 50 draws") << 50 << 50;
    QTest::newRow("refills without an immediate repeat") << 50 << 500;
    QTest::newRow("two files alternate") << 2 << 40;
    QTest::newRow("the only file repeats") << 1 << 5;
}

void TestAnnouncement::noRepeats() {
    QFETCH(int, files);
    QFETCH(int, draws);
    QList<int> rows(files);
    std::iota(rows.begin(), rows.end(), 0);
    RandomBag bag;
    QSet<int> round; // drawn since the last refill, and the draw just before it
    for (int i = 0, last = -1; i < draws; ++i) {
        if (round.size() == files && files > 1)
            round = {last};
        const QList<int> left = bag.unplayedAmong(rows, [](int r) { return QString::number(r); });
        last = left.value(randomBetween(int(left.size()) - 1, 0), -1);
        QVERIFY2(files == 1 ? last == 0 : !round.contains(last), qPrintable(QString::number(i)));
        bag.played(QString::number(last));
        round.insert(last);
    }
}

QTEST_GUILESS_MAIN(TestAnnouncement)
#include "tst_announcement.moc"
