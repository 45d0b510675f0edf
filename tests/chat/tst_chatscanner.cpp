#include "chat/ChatScanner.h"
#include "support/FakeChatWindow.h"

#include <QTimer>
#include <QtTest>

namespace {

// One reported line: whosaid, whatsaid, datesaid.
using Event = QStringList;

// A scanner on a fake chat room, with every aimchatscan recorded.
struct Rig {
    FakeChatWindow window;
    bool chatSends = true;
    ChatScanner scanner{window, [this] {
                            return chatSends;
                        }};
    QList<Event> events;

    Rig() {
        QObject::connect(&scanner, &ChatScanner::aimchatscan,
                         [this](QString &who, QString &what, QString &date) {
                             events.append(Event{who, what, date});
                         });
    }
};

} // namespace

class TestChatScanner : public QObject {
    Q_OBJECT
private slots:
    void createdIdle();
    void scanOnAndOff();
    void nothingUntilTheTailChanges();
    void twoLinesInOneIntervalReportOnlyTheLater();
    void identicalRawLineNotReportedAgain();
    void repeatedCommandWithNewTimeReportedAgain();
    void overlongLastLineReportsOneEmptyEvent();
    void shortTailIsIgnored();
    void firstPollWithoutALine();
    void split_data();
    void split();
    void scanOffAndOnDoesNotReportAgain();
    void linesWhileOffAreNotReported();
    void handlerRunsInsideTheTick();
    void timerDrivesThePoll();
    void sendChat_data();
    void sendChat();
    void gateIsAskedAtEverySend();
    void sentTextComesBackAsOwnLine();
    void absentChatWindow();
};

void TestChatScanner::createdIdle() {
    Rig rig;
    QCOMPARE(rig.scanner.objectName(), QStringLiteral("chat1"));
    auto *timer = rig.scanner.findChild<QTimer *>(QStringLiteral("chat_tymer"));
    QVERIFY(timer);
    QCOMPARE(timer, rig.scanner.chat_tymer());
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isActive());
    QVERIFY(!timer->isSingleShot());
    QCOMPARE(rig.scanner.fyrsttalk(), QString());
    QCOMPARE(rig.scanner.newlastlyne(), QString());
    QCOMPARE(rig.scanner.oldlastlyne(), QString());
}

void TestChatScanner::scanOnAndOff() {
    Rig rig;
    const QString before(600, QLatin1Char('.'));
    rig.window.html = before + QStringLiteral("<BR>a: one.");
    rig.scanner.scan_on();
    QVERIFY(rig.scanner.chat_tymer()->isActive());
    QCOMPARE(rig.scanner.fyrsttalk(), rig.window.html.right(500));

    rig.window.say(QStringLiteral("ann"), QStringLiteral("hello"));
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);
    const QString line = FakeChatWindow::line(QStringLiteral("ann"), QStringLiteral("hello"));
    QCOMPARE(rig.scanner.oldlastlyne(), line.chopped(1));
    QCOMPARE(rig.scanner.newlastlyne(), line.chopped(1));

    const QString fyrst = rig.scanner.fyrsttalk();
    rig.scanner.scan_off();
    QVERIFY(!rig.scanner.chat_tymer()->isActive());
    QCOMPARE(rig.scanner.fyrsttalk(), fyrst);
    QCOMPARE(rig.scanner.oldlastlyne(), line.chopped(1));
    QCOMPARE(rig.scanner.newlastlyne(), line.chopped(1));

    // Again while scanning: a new baseline.
    rig.scanner.scan_on();
    rig.window.say(QStringLiteral("bob"), QStringLiteral("later"));
    rig.scanner.scan_on();
    QVERIFY(rig.scanner.chat_tymer()->isActive());
    QCOMPARE(rig.scanner.fyrsttalk(), rig.window.html.right(500));
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);
}

void TestChatScanner::nothingUntilTheTailChanges() {
    Rig rig;
    rig.window.say(QStringLiteral("ann"), QStringLiteral("old line"));
    rig.scanner.scan_on();
    rig.scanner.tick();
    rig.scanner.tick();
    QVERIFY(rig.events.isEmpty());
    // The baseline stops the poll before the line is even cut.
    QCOMPARE(rig.scanner.newlastlyne(), QString());

    rig.window.say(QStringLiteral("bob"), QStringLiteral("new line"), QStringLiteral("09:08:07"));
    rig.scanner.tick();
    QCOMPARE(rig.events, QList<Event>{(Event{"bob", "new line", "{09:08:07}"})});
}

void TestChatScanner::twoLinesInOneIntervalReportOnlyTheLater() {
    Rig rig;
    rig.scanner.scan_on();
    rig.window.say(QStringLiteral("ann"), QStringLiteral("first"), QStringLiteral("10:00:00"));
    rig.window.say(QStringLiteral("bob"), QStringLiteral("second"), QStringLiteral("10:00:01"));
    rig.scanner.tick();
    rig.scanner.tick();
    QCOMPARE(rig.events, QList<Event>{(Event{"bob", "second", "{10:00:01}"})});
}

void TestChatScanner::identicalRawLineNotReportedAgain() {
    Rig rig;
    rig.scanner.scan_on();
    rig.window.say(QStringLiteral("Me"), QStringLiteral("pause"), QStringLiteral("10:00:00"));
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);

    // Same speaker, text and time stamp: the tail changed, the last line did not.
    rig.window.say(QStringLiteral("Me"), QStringLiteral("pause"), QStringLiteral("10:00:00"));
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);
    QCOMPARE(rig.scanner.newlastlyne(), rig.scanner.oldlastlyne());
}

void TestChatScanner::repeatedCommandWithNewTimeReportedAgain() {
    Rig rig;
    rig.scanner.scan_on();
    rig.window.say(QStringLiteral("Me"), QStringLiteral("pause"), QStringLiteral("10:00:00"));
    rig.scanner.tick();
    rig.window.say(QStringLiteral("Me"), QStringLiteral("pause"), QStringLiteral("10:00:05"));
    rig.scanner.tick();
    const QList<Event> expected{Event{"Me", "pause", "{10:00:00}"},
                                Event{"Me", "pause", "{10:00:05}"}};
    QCOMPARE(rig.events, expected);
}

void TestChatScanner::overlongLastLineReportsOneEmptyEvent() {
    Rig rig;
    rig.scanner.scan_on();
    rig.window.say(QStringLiteral("ann"), QStringLiteral("short"));
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);

    rig.window.say(QStringLiteral("ann"), QString(600, QLatin1Char('w')));
    rig.scanner.tick();
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 2);
    QCOMPARE(rig.events.at(1), (Event{"", "", "{}"}));
    QCOMPARE(rig.scanner.oldlastlyne(), QString());

    // Another overlong line: still no "<BR>" in the tail, so nothing new.
    rig.window.say(QStringLiteral("ann"), QString(700, QLatin1Char('v')));
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 2);
}

void TestChatScanner::shortTailIsIgnored() {
    Rig rig;
    rig.scanner.scan_on();
    rig.window.html = QStringLiteral("<B");
    rig.scanner.tick();
    QVERIFY(rig.events.isEmpty());
    QCOMPARE(rig.scanner.newlastlyne(), QString());

    // Three characters pass the first test (and give an empty line, already the last one).
    rig.window.html = QStringLiteral("<BR");
    rig.scanner.tick();
    QVERIFY(rig.events.isEmpty());

    rig.window.html = QStringLiteral("<BR>");
    rig.scanner.tick();
    QCOMPARE(rig.events, QList<Event>{(Event{"", "", "{}"})});
    QCOMPARE(rig.scanner.newlastlyne(), QStringLiteral("<BR"));

    // With a line reported, a tail without "<BR>" means a changed (empty) last line, but only
    // from three characters on.
    rig.window.html = QStringLiteral("ab");
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);
    QCOMPARE(rig.scanner.newlastlyne(), QStringLiteral("<BR"));
    rig.window.html = QStringLiteral("abc");
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 2);
    QCOMPARE(rig.scanner.newlastlyne(), QString());
}

void TestChatScanner::firstPollWithoutALine() {
    // Nothing has been reported yet and the tail holds no "<BR>": the empty line equals the
    // empty last-reported line.
    Rig rig;
    rig.scanner.scan_on();
    rig.window.html = QStringLiteral("some text without a line mark");
    rig.scanner.tick();
    QVERIFY(rig.events.isEmpty());
    QCOMPARE(rig.scanner.newlastlyne(), QString());
}

void TestChatScanner::split_data() {
    QTest::addColumn<QString>("transcript");
    QTest::addColumn<QString>("whosaid");
    QTest::addColumn<QString>("whatsaid");
    QTest::addColumn<QString>("datesaid");

    QTest::newRow("split at the first colon only") << "<BR>bob: hi: there</FONT>"
                                                   << "bob"
                                                   << "hi: there"
                                                   << "{ob: hi: there</FON}";
    QTest::newRow("no time stamp stops at a parenthesis") << "<BR>ann: smile :) ok</B>"
                                                          << "ann"
                                                          << "smile :) ok"
                                                          << "{nn: smile :}";
    QTest::newRow("no colon") << "<BR>hello world</B>"
                              << ""
                              << "ello world"
                              << "{ello world</}";
    QTest::newRow("colon first") << "<BR>:x y</B>"
                                 << ""
                                 << " y"
                                 << "{x y</}";
    QTest::newRow("nothing after the colon") << "<BR>ann:</B>"
                                             << "ann"
                                             << ""
                                             << "{nn:</}";
    QTest::newRow("no space after the colon") << "<BR>ann:pause</B>"
                                              << "ann"
                                              << "ause"
                                              << "{nn:pause</}";
    QTest::newRow("lower-case mark") << "old<br>cy: yo.."
                                     << "cy"
                                     << "yo"
                                     << "{y: yo}";
    QTest::newRow("unclosed time stamp") << "<BR>a: b<!-- (12:00 -->"
                                         << "a"
                                         << "b"
                                         << "{12:00 -}";
    QTest::newRow("time stamp marker is case-sensitive")
        << "<BR>a: b<!-- (x) --><!-- (12:34:56) -->!"
        << "a"
        << "b"
        << "{x}";
    QTest::newRow("protocol line")
        << FakeChatWindow::line("Bob Smith", "r queen", "13:45:09") << "Bob Smith"
        << "r queen"
        << "{13:45:09}";
    QTest::newRow("protocol line with entities and a colon")
        << FakeChatWindow::line("A&amp;B", "p a: b &lt;3", "00:00:01") << "A&amp;B"
        << "p a: b &lt;3"
        << "{00:00:01}";
    QTest::newRow("protocol line with markup in the text")
        << FakeChatWindow::line("ann", "<i>ff</i>", "23:59:59") << "ann"
        << "ff"
        << "{23:59:59}";
    QTest::newRow("protocol line after others") << FakeChatWindow::line("x", "one", "01:00:00") +
                                                       FakeChatWindow::line("y", "two", "01:00:01")
                                                << "y"
                                                << "two"
                                                << "{01:00:01}";
    QTest::newRow("carriage return kept in the speaker") << "<BR>bo\rb: hi</B>"
                                                         << "bo\rb"
                                                         << "hi"
                                                         << "{o\rb: hi</}";
}

void TestChatScanner::split() {
    QFETCH(QString, transcript);
    QFETCH(QString, whosaid);
    QFETCH(QString, whatsaid);
    QFETCH(QString, datesaid);

    Rig rig;
    rig.scanner.scan_on();
    rig.window.html = transcript;
    rig.scanner.tick();
    QCOMPARE(rig.events, QList<Event>{(Event{whosaid, whatsaid, datesaid})});
}

void TestChatScanner::scanOffAndOnDoesNotReportAgain() {
    Rig rig;
    rig.scanner.scan_on();
    const QString line = FakeChatWindow::line(QStringLiteral("ann"), QStringLiteral("r"));
    rig.window.html += line;
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);

    rig.scanner.scan_off();
    rig.scanner.scan_on();
    // The transcript is replaced by one holding the same last line: the tail differs from the
    // baseline, but the line is the one last reported.
    rig.window.html = QStringLiteral("<BR>earlier.") + line;
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);
}

void TestChatScanner::linesWhileOffAreNotReported() {
    Rig rig;
    rig.scanner.scan_on();
    rig.scanner.scan_off();
    rig.window.say(QStringLiteral("ann"), QStringLiteral("while off"));
    rig.scanner.scan_on();
    rig.scanner.tick();
    QVERIFY(rig.events.isEmpty());
}

void TestChatScanner::handlerRunsInsideTheTick() {
    Rig rig;
    int inside = 0;
    QObject::connect(&rig.scanner, &ChatScanner::aimchatscan,
                     [&](QString &who, QString &what, QString &) {
                         ++inside;
                         // The handler may change the strings it gets.
                         who.clear();
                         what = QStringLiteral("changed");
                     });
    rig.scanner.scan_on();
    rig.window.say(QStringLiteral("ann"), QStringLiteral("x"));
    rig.scanner.tick();
    QCOMPARE(inside, 1);
    QCOMPARE(rig.events.size(), 1);
}

void TestChatScanner::timerDrivesThePoll() {
    Rig rig;
    rig.scanner.scan_on();
    rig.window.say(QStringLiteral("ann"), QStringLiteral("by timer"), QStringLiteral("11:11:11"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.events.size(), 1, 5000);
    QCOMPARE(rig.events.at(0), (Event{"ann", "by timer", "{11:11:11}"}));

    rig.scanner.scan_off();
    rig.window.say(QStringLiteral("ann"), QStringLiteral("not polled"));
    QTest::qWait(1200);
    QCOMPARE(rig.events.size(), 1);
}

void TestChatScanner::sendChat_data() {
    QTest::addColumn<bool>("chatSends");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("checked") << true << QStringList{"setInput:hello", "pressSend"}
                             << QStringList{"hello"};
    QTest::newRow("unchecked") << false << QStringList{} << QStringList{};
}

void TestChatScanner::sendChat() {
    QFETCH(bool, chatSends);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, sent);
    Rig rig;
    rig.chatSends = chatSends;
    rig.scanner.SendChat(QStringLiteral("hello"));
    QCOMPARE(rig.window.calls, calls);
    QCOMPARE(rig.window.sent, sent);
}

void TestChatScanner::gateIsAskedAtEverySend() {
    Rig rig;
    rig.chatSends = false;
    rig.scanner.SendChat(QStringLiteral("one"));
    rig.chatSends = true;
    rig.scanner.SendChat(QStringLiteral("two"));
    rig.chatSends = false;
    rig.scanner.SendChat(QStringLiteral("three"));
    QCOMPARE(rig.window.sent, QStringList{QStringLiteral("two")});

    // Without a gate nothing is ever sent.
    FakeChatWindow window;
    ChatScanner ungated(window, {});
    ungated.SendChat(QStringLiteral("x"));
    QVERIFY(window.calls.isEmpty());
}

void TestChatScanner::sentTextComesBackAsOwnLine() {
    Rig rig;
    rig.window.ownName = QStringLiteral("My Name");
    rig.window.sendTime = QStringLiteral("20:00:00");
    rig.scanner.scan_on();
    rig.scanner.SendChat(QStringLiteral("media playing"));
    rig.scanner.tick();
    QCOMPARE(rig.events, QList<Event>{(Event{"My Name", "media playing", "{20:00:00}"})});
}

void TestChatScanner::absentChatWindow() {
    Rig rig;
    rig.window.absent = true;
    rig.window.html = FakeChatWindow::line(QStringLiteral("ann"), QStringLiteral("unseen"));
    rig.scanner.scan_on();
    QCOMPARE(rig.scanner.fyrsttalk(), QString());
    rig.scanner.tick();
    QVERIFY(rig.events.isEmpty());
    rig.scanner.SendChat(QStringLiteral("nobody hears"));
    QVERIFY(rig.window.sent.isEmpty());
    QCOMPARE(rig.window.input, QString());

    // The room opens: its lines now differ from the empty baseline.
    rig.window.absent = false;
    rig.scanner.tick();
    QCOMPARE(rig.events.size(), 1);
}

QTEST_GUILESS_MAIN(TestChatScanner)
#include "tst_chatscanner.moc"
