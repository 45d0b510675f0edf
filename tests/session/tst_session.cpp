// The player without its window, driven as the chat room drives it: the owner's lines in; what it
// says, what plays and the settings file out. It runs on a core application, as the player does
// on a server, so nothing here may need a widget.
#include "chat/ChatScanner.h"
#include "library/Library.h"
#include "session/NowPlaying.h"
#include "session/Session.h"
#include "support/TestPlatform.h"

#include <QTest>
#include <QTimer>

namespace {

// Said by the session after its greeting, one list entry per chat line.
const QByteArray kOwnTexts = "csplnow %s (%n)\r\ncsstStopped\r\ncspaHeld\r\ncsffFaster\r\n"
                             "csfrBack\r\n";

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void ownerLines_data();
    void ownerLines();
};

void TestSession::ownerLines_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("file");

    const QStringList list{"5 files matched that string, Select One.",
                           "1: Ann - Song one",
                           "2: Bob - Song two",
                           "3: Cy - Song &amp; three",
                           "4: Di - Song four",
                           "5: Ed - Song five"};
    QTest::newRow("r with text plays and announces")
        << QStringList{"r four"} << QStringList{"now Song four (4)"} << 4 << QByteArray();
    QTest::newRow("p lists its matches by number")
        << QStringList{"p song"} << list << 0 << QByteArray();
    QTest::newRow("a listed number plays, the last one too")
        << QStringList{"p song", "5"} << (QStringList(list) << "now Song five (5)") << 5
        << QByteArray();
    QTest::newRow("an unlisted last number does nothing")
        << QStringList{"5"} << QStringList() << 0 << QByteArray();
    QTest::newRow("p with one match plays it")
        << QStringList{"p three"} << QStringList{"now Song &amp; three (3)"} << 3 << QByteArray();
    QTest::newRow("the texts come from the settings file")
        << QStringList{"2", "pause", "ff", "fr"}
        << QStringList{"now Song two (2)", "Held", "Faster", "Back"} << 2 << QByteArray();
    QTest::newRow("auto random on and off, listen off")
        << QStringList{"ar", "xar", "listen"}
        << QStringList{"auto random enabled", "auto random disabled", "listen along is off"} << 0
        << QByteArray();
    QTest::newRow("others are not obeyed")
        << QStringList{"@Guest:r", "@Guest:p song"} << QStringList() << 0 << QByteArray();
    QTest::newRow("the close writes the start count, unknown lines and the texts last")
        << QStringList{"ar"} << QStringList{"auto random enabled"} << 0
        << QByteArray("zzzzkept\r\nnrep1\r\nxdir\r\nload4\r\n") + kOwnTexts;
}

void TestSession::ownerLines() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, said);
    QFETCH(int, number);
    QFETCH(QByteArray, file);

    TestPlatform platform;
    platform.writeSettings("load3\r\nzzzzkept\r\nnrep1\r\nxdir\r\n" + kOwnTexts);
    Session session(platform.platform());
    session.setScreenName("owner");
    session.load();
    const char *songs[][3] = {{"a.mp3", "Ann", "Song one"},
                              {"b.mp3", "Bob", "Song two"},
                              {"c.mp3", "Cy", "Song & three"},
                              {"d.mp3", "Di", "Song four"},
                              {"e.mp3", "Ed", "Song five"}};
    for (const auto &song : songs) {
        platform.tags.add(QStringLiteral("/m/") + song[0], song[1], song[2], 1000, 128000);
        session.AddIt(song[0], "/m");
        session.songs().setDisplayLine(session.songs().count() - 1,
                                       QStringLiteral("%1 - %2").arg(song[1], song[2]));
    }
    platform.lastEngine()->autoStart = true;
    QTimer *check = session.nowPlaying().Timer1();
    QTRY_VERIFY(!check->isActive());
    platform.chat.sent.clear();

    int second = 0;
    for (const QString &line : lines) {
        const bool guest = line.startsWith('@');
        platform.chat.say(guest ? line.mid(1).section(':', 0, 0) : QStringLiteral("Owner"),
                          guest ? line.section(':', 1) : line,
                          QStringLiteral("12:00:%1").arg(++second, 2, 10, QChar('0')));
        session.scanner().tick();
        QTRY_VERIFY(!check->isActive());
    }
    QCOMPARE(platform.chat.sent, said);
    QCOMPARE(session.nowPlaying().entry() + 1, number);
    if (!file.isEmpty()) {
        QString error;
        QVERIFY2(session.writeSettings(&error), qPrintable(error));
        QCOMPARE(platform.readSettings(), file);
    }
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
