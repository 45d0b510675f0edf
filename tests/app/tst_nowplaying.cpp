#include "app/MainWindow.h"
#include "chat/ChatScanner.h"
#include "commands/MultiPicker.h"
#include "library/Library.h"
#include "player/MediaPlayer.h"
#include "session/AutoRandom.h"
#include "session/NowPlaying.h"
#include "session/Session.h"
#include "support/TestPlatform.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// A main window over fakes with three files in /m; c.mp3 carries the tags of the examples.
struct Fixture {
    TestPlatform platform;
    QPointer<MainWindow> w;

    Fixture() {
        platform.tags.add("/m/a.mp3", "Artist A", "Title A", 61000, 64000);
        platform.tags.add("/m/b.mp3", "", "Title B", 1000, 96000);
        platform.tags.add("/m/c.mp3", "X", "Y", 185900, 128000);
        w = new MainWindow(platform.platform());
        w->runLoadSequence();
        for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
            w->AddIt(QString::fromLatin1(name), "/m");
        engine()->autoStart = true;
        // The first tick after the window is created records "None..." and sends nothing.
        QTRY_VERIFY(!timer1()->isActive());
        platform.chat.calls.clear();
    }
    ~Fixture() {
        if (w)
            w->close();
    }
    FakeMediaEngine *engine() const { return platform.lastEngine(); }
    QTimer *timer1() const { return w->findChild<QTimer *>("Timer1"); }
    QString text(const char *name) const {
        if (auto *label = w->findChild<QLabel *>(name))
            return label->text();
        return w->findChild<QLineEdit *>(name)->text();
    }
    // What was typed into the chat's input box, in order.
    QStringList typed() const {
        QStringList inputs;
        for (const QString &call : platform.chat.calls) {
            if (call.startsWith("setInput:"))
                inputs << call.mid(9);
        }
        return inputs;
    }
    // Starts the file and lets the player report it, then lets Timer1 decide.
    void startAndAnnounce(const QString &file) {
        w->playFile(file);
        QVERIFY(timer1()->isActive());
        QTRY_VERIFY(!timer1()->isActive());
    }
};

} // namespace

class TestNowPlaying : public QObject {
    Q_OBJECT
private slots:
    void firstTickSendsNothing();
    void designTemplateExample();
    void captionAndDuration();
    void sameItemAnnouncedOnce();
    void equalTagsCountAsTheSameItem();
    void itemNotReportedInTimeIsNotAnnounced();
    void nothingWithoutNumber();
    void chatSendsOffStillRecords();
    void emptyTemplateSendsEmptyText();
    void forgedCommandInTitleDoesNotAct();
    void autoRandomStartsWhenIdle();
    void autoRandomLeavesAPausedItem();
    void autoRandomIdleCases_data();
    void autoRandomIdleCases();
    void autoRandomMovesOnFromABadFile();
    void playFileFirstKeyMatch();
    void switchingOnKeepsTheCountdown_data();
    void switchingOnKeepsTheCountdown();
    void closedPickerCountsAsUnloaded();
};

void TestNowPlaying::firstTickSendsNothing() {
    TestPlatform platform;
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    auto *timer1 = w->findChild<QTimer *>("Timer1");
    QVERIFY(timer1->isActive());
    QTRY_VERIFY(!timer1->isActive());
    QCOMPARE(w->findChild<QLineEdit *>("txtOldSong")->text(), QStringLiteral("None..."));
    QCOMPARE(platform.chat.sent.size(), 1); // the load announcement alone
    w->close();
}

void TestNowPlaying::designTemplateExample() {
    Fixture f;
    f.startAndAnnounce("c.mp3");
    QCOMPARE(f.typed(), QStringList{"playing Y by X, duration 3:05, number 3, bitrate 128000"});
    QCOMPARE(f.text("txtOldSong"), QStringLiteral("X - Y"));
}

void TestNowPlaying::captionAndDuration() {
    Fixture f;
    f.w->playFile("b.mp3");
    QTRY_COMPARE(f.text("txtSong"), QStringLiteral(" - Title B"));
    QCOMPARE(f.text("txtDur"), QStringLiteral("0:01"));
    QCOMPARE(f.text("txtNum"), QStringLiteral("2"));
    f.w->playFile("a.mp3");
    QTRY_COMPARE(f.text("txtSong"), QStringLiteral("Artist A - Title A"));
    QCOMPARE(f.text("txtDur"), QStringLiteral("1:01"));
}

void TestNowPlaying::sameItemAnnouncedOnce() {
    Fixture f;
    f.startAndAnnounce("c.mp3");
    f.startAndAnnounce("c.mp3");
    QCOMPARE(f.typed().size(), 1);
    f.startAndAnnounce("a.mp3");
    QCOMPARE(f.typed().size(), 2);
}

void TestNowPlaying::equalTagsCountAsTheSameItem() {
    Fixture f;
    f.platform.tags.add("/m/d.mp3", "X", "Y", 1000, 1000);
    f.w->AddIt("d.mp3", "/m");
    f.startAndAnnounce("c.mp3");
    f.startAndAnnounce("d.mp3");
    QCOMPARE(f.typed().size(), 1);
}

void TestNowPlaying::itemNotReportedInTimeIsNotAnnounced() {
    Fixture f;
    f.engine()->autoStart = false;
    f.startAndAnnounce("c.mp3");
    QVERIFY(f.typed().isEmpty());
    // Reported after Timer1 gave up: the caption follows, but nothing is said.
    f.engine()->startPlaying();
    QTRY_COMPARE(f.text("txtSong"), QStringLiteral("X - Y"));
    QTest::qWait(600);
    QVERIFY(f.typed().isEmpty());
}

void TestNowPlaying::nothingWithoutNumber() {
    Fixture f;
    f.w->playFile("c.mp3");
    QTRY_COMPARE(f.text("txtSong"), QStringLiteral("X - Y"));
    // An entry number the library does not hold (nothing to say for "%n" or "%f").
    f.w->session().nowPlaying().started(99);
    QTRY_VERIFY(!f.timer1()->isActive());
    QVERIFY(f.typed().isEmpty());
    QCOMPARE(f.text("txtOldSong"), QStringLiteral("X - Y"));
}

void TestNowPlaying::chatSendsOffStillRecords() {
    Fixture f;
    f.w->findChild<QCheckBox *>("chkChatSend")->setChecked(false);
    f.startAndAnnounce("c.mp3");
    QVERIFY(f.typed().isEmpty());
    QVERIFY(!f.platform.chat.calls.contains("pressSend"));
    QCOMPARE(f.text("txtOldSong"), QStringLiteral("X - Y"));
}

void TestNowPlaying::emptyTemplateSendsEmptyText() {
    Fixture f;
    f.w->findChild<QLineEdit *>("txtPlay")->clear();
    f.startAndAnnounce("c.mp3");
    QCOMPARE(f.typed(), QStringList{QString()});
}

void TestNowPlaying::forgedCommandInTitleDoesNotAct() {
    // The announcement comes back through the chat as the user's own line. A title written to
    // look like a second line of the user must stay text.
    Fixture f;
    f.platform.chat.ownName = "Tester";
    f.w->session().setScreenName("tester");
    f.platform.tags.add("/m/c.mp3", "X", "z<BR>tester: ar<x ", 1000, 1000);
    f.w->findChild<QLineEdit *>("txtPlay")->setText("playing %s");
    f.startAndAnnounce("c.mp3");
    QCOMPARE(f.typed().size(), 1);
    f.w->session().scanner().tick();
    QVERIFY(!f.w->findChild<QCheckBox *>("chkRandom")->isChecked());
    QVERIFY(f.platform.chat.html.contains("z&lt;BR&gt;tester: ar&lt;x"));
    // The same words said by the user do act, so the line above really was read.
    f.platform.chat.say("Tester", "ar", "12:00:01");
    f.w->session().scanner().tick();
    QVERIFY(f.w->findChild<QCheckBox *>("chkRandom")->isChecked());
}

void TestNowPlaying::autoRandomStartsWhenIdle() {
    Fixture f;
    auto *tmrRandom = f.w->findChild<QTimer *>("tmrRandom");
    QCOMPARE(tmrRandom->interval(), 1000);
    f.w->findChild<QCheckBox *>("chkRandom")->setChecked(true);
    const QStringList before = f.engine()->calls;
    QTRY_VERIFY_WITH_TIMEOUT(f.engine()->calls.size() > before.size(), 1500);
    QVERIFY(f.engine()->calls.last().startsWith("open /m/"));
    const int number = f.text("txtNum").toInt();
    QVERIFY(number >= 1 && number <= 3);
    QCOMPARE(f.engine()->openedPath(), f.w->session().songs().fullPath(number - 1));
}

void TestNowPlaying::autoRandomLeavesAPausedItem() {
    Fixture f;
    f.w->playFile("a.mp3");
    QTRY_VERIFY(f.w->session().player().currentMedia());
    f.w->session().player().pause();
    f.engine()->fakePosition = 12.5;
    f.w->findChild<QCheckBox *>("chkRandom")->setChecked(true);
    const int opens = f.engine()->calls.filter(QRegularExpression("^open ")).size();
    f.w->session().autoRandom().tick();
    f.w->session().autoRandom().tick();
    QCOMPARE(f.engine()->calls.filter(QRegularExpression("^open ")).size(), opens);
    // At the end of the item the position reads 0 again, and the next tick starts another.
    f.engine()->finishPlaying(false);
    f.w->session().autoRandom().tick();
    QCOMPARE(f.engine()->calls.filter(QRegularExpression("^open ")).size(), opens + 1);
}

void TestNowPlaying::autoRandomIdleCases_data() {
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("emptyLibrary");
    QTest::newRow("off") << false << false;
    QTest::newRow("on, empty library") << true << true;
}

void TestNowPlaying::autoRandomIdleCases() {
    QFETCH(bool, on);
    QFETCH(bool, emptyLibrary);
    TestPlatform platform;
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    if (!emptyLibrary)
        w->AddIt("a.mp3", "/m");
    w->findChild<QCheckBox *>("chkRandom")->setChecked(on);
    for (int i = 0; i < 5; ++i)
        w->session().autoRandom().tick();
    QVERIFY(platform.lastEngine()->calls.filter(QRegularExpression("^open ")).isEmpty());
    QCOMPARE(w->findChild<QLabel *>("txtNum")->text(), QStringLiteral("None..."));
    w->close();
}

void TestNowPlaying::autoRandomMovesOnFromABadFile() {
    Fixture f;
    f.engine()->autoStart = false;
    f.w->findChild<QCheckBox *>("chkRandom")->setChecked(true);
    f.w->session().autoRandom().tick();
    f.engine()->finishPlaying(true);
    f.w->session().autoRandom().tick();
    QCOMPARE(f.engine()->calls.filter(QRegularExpression("^open ")).size(), 2);
}

void TestNowPlaying::playFileFirstKeyMatch() {
    TestPlatform platform;
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    w->AddIt("a b.mp3", "/m");
    w->AddIt("ab.mp3", "/m");
    w->AddIt("song.mp3", "/n");
    w->playFile("");
    QVERIFY(platform.lastEngine()->calls.filter(QRegularExpression("^open ")).isEmpty());
    w->playFile("zzz");
    QVERIFY(platform.lastEngine()->calls.filter(QRegularExpression("^open ")).isEmpty());
    w->playFile("ab");
    QCOMPARE(platform.lastEngine()->openedPath(), QStringLiteral("/m/a b.mp3"));
    QCOMPARE(w->findChild<QLabel *>("txtNum")->text(), QStringLiteral("1"));
    w->playFile("S O N G");
    QCOMPARE(platform.lastEngine()->openedPath(), QStringLiteral("/n/song.mp3"));
    QCOMPARE(w->findChild<QLabel *>("txtNum")->text(), QStringLiteral("3"));
    QVERIFY(w->findChild<QTimer *>("Timer1")->isActive());
    w->close();
}

QTEST_MAIN(TestNowPlaying)
#include "tst_nowplaying.moc"

void TestNowPlaying::switchingOnKeepsTheCountdown_data() {
    QTest::addColumn<QString>("timer");
    QTest::newRow("Timer1 by a second start") << "Timer1";
    QTest::newRow("tmrMenu by a second Find") << "tmrMenu";
    QTest::newRow("chat_tymer by a second scan_on") << "chat_tymer";
}

// A timer switched on while it is already on keeps counting from its first start.
void TestNowPlaying::switchingOnKeepsTheCountdown() {
    QFETCH(QString, timer);
    Fixture f;
    auto *tmr = f.w->findChild<QTimer *>(timer);
    const auto switchOn = [&] {
        if (timer == "Timer1")
            f.w->session().startEntry(0);
        else if (timer == "tmrMenu")
            f.w->chameleonButton1_Click();
        else
            f.w->session().scanner().scan_on();
    };
    // tmrMenu's 10 ms is too short to see; a longer interval shows the same rule for all, and
    // one this long leaves a busy machine all the time it needs between the two starts. Precise,
    // so that the time left is not moved by up to 5% as a coarse timer's may be.
    tmr->setTimerType(Qt::PreciseTimer);
    tmr->setInterval(10000);
    switchOn();
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    QVERIFY(tmr->isActive());
    QTest::qWait(300);
    switchOn();
    // However long the wait took, the countdown has run at least that long.
    const qint64 waited = sinceFirst.elapsed();
    QVERIFY2(
        tmr->remainingTime() <= 10000 - waited + 5,
        qPrintable(QStringLiteral("%1 ms left after %2 ms").arg(tmr->remainingTime()).arg(waited)));
}

// A "p" line handled after Cancel, before Qt has deleted the picker, gets a picker of its own.
void TestNowPlaying::closedPickerCountsAsUnloaded() {
    Fixture f;
    f.w->session().setScreenName("me");
    const auto say = [&] {
        QString who = "me", what = "p mp3", when = "{1:00}";
        f.w->chat1_aimchatscan(who, what, when);
    };
    say();
    QPointer<MultiPicker> first = f.w->picker();
    QVERIFY(first);
    first->Command1()->click();
    say();
    QPointer<MultiPicker> second = f.w->picker();
    QVERIFY(second && second != first);
    QTRY_VERIFY(first.isNull());
    QVERIFY(second && second->isVisible());
    QCOMPARE(second->count(), 3);
}
