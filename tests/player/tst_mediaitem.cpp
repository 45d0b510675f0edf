#include "player/MediaItem.h"

#include <QTest>
#include <limits>

class TestMediaItem : public QObject {
    Q_OBJECT

private slots:
    void durationString_data();
    void durationString();
    void getItemInfo_data();
    void getItemInfo();
    void emptyItem();
};

void TestMediaItem::durationString_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << 0.0 << "0:00";
    QTest::newRow("under a second") << 0.999 << "0:00";
    QTest::newRow("one second") << 1.0 << "0:01";
    QTest::newRow("cut, not rounded") << 59.9 << "0:59";
    QTest::newRow("a minute") << 60.0 << "1:00";
    QTest::newRow("3:05") << 185.0 << "3:05";
    QTest::newRow("seconds padded") << 69.5 << "1:09";
    QTest::newRow("ten minutes") << 600.0 << "10:00";
    QTest::newRow("just under an hour") << 3599.99 << "59:59";
    QTest::newRow("an hour") << 3600.0 << "1:00:00";
    QTest::newRow("minutes padded past an hour") << 3661.0 << "1:01:01";
    QTest::newRow("ten hours") << 36000.0 << "10:00:00";
    QTest::newRow("ten hours and more") << 36000.0 + 59 * 60 + 59.9 << "10:59:59";
    QTest::newRow("a hundred hours") << 360000.0 << "100:00:00";
    QTest::newRow("negative") << -5.0 << "0:00";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "0:00";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "0:00";
}

void TestMediaItem::durationString() {
    QFETCH(double, seconds);
    QFETCH(QString, text);

    QCOMPARE(MediaItem("/x.mp3", "a", "n", seconds, 0).durationString(), text);
    QCOMPARE(MediaItem::formatDuration(seconds), text);
}

void TestMediaItem::getItemInfo_data() {
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("value");

    QTest::newRow("author") << "author"
                            << "The Author";
    QTest::newRow("Author") << "Author"
                            << "The Author";
    QTest::newRow("AUTHOR") << "AUTHOR"
                            << "The Author";
    QTest::newRow("name") << "name"
                          << "The Name";
    QTest::newRow("NaMe") << "NaMe"
                          << "The Name";
    QTest::newRow("title is not an attribute") << "title"
                                               << "";
    QTest::newRow("artist is not an attribute") << "artist"
                                                << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("prefix") << "auth"
                            << "";
    QTest::newRow("with space") << "author "
                                << "";
}

void TestMediaItem::getItemInfo() {
    QFETCH(QString, attribute);
    QFETCH(QString, value);

    const MediaItem item("/m/x.mp3", "The Author", "The Name", 10, 128000);
    QCOMPARE(item.getItemInfo(attribute), value);
    QCOMPARE(item.sourceURL(), QStringLiteral("/m/x.mp3"));
    QCOMPARE(item.bitRate(), 128000);
    QCOMPARE(item.duration(), 10.0);
}

void TestMediaItem::emptyItem() {
    const MediaItem item;
    QCOMPARE(item.getItemInfo("author"), QString());
    QCOMPARE(item.getItemInfo("name"), QString());
    QCOMPARE(item.durationString(), QStringLiteral("0:00"));
    QCOMPARE(item.bitRate(), 0);
    QCOMPARE(MediaItem("/x", "", "", -3, -128).bitRate(), 0);
    QCOMPARE(MediaItem("/x", "", "", -3, -128).duration(), 0.0);
}

QTEST_GUILESS_MAIN(TestMediaItem)
#include "tst_mediaitem.moc"
