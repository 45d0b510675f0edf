#include "commands/CommandInterpreter.h"
#include "library/Library.h"
#include "support/FakeCommandHost.h"

#include <QtTest>

namespace {

const QString kInitial = QStringLiteral("Click To Set");
const QString kClosed = QStringLiteral("click to set");

struct Rig {
    FakeCommandHost host;
    CommandInterpreter interpreter{host};

    explicit Rig(const QString &screenName = QStringLiteral("me"),
                 const QStringList &files = FakeCommandHost::sampleSongs()) {
        host.labSN = screenName;
        host.addFiles(files);
    }

    void say(const QString &who, const QString &what) {
        QString whosaid = who;
        QString whatsaid = what;
        QString datesaid = QStringLiteral("{12:00:00}");
        interpreter.chat1_aimchatscan(whosaid, whatsaid, datesaid);
    }

    // The row of the entry with this display line (the library orders entries itself).
    int row(const QString &display) const {
        const Library &library = host.library();
        for (int i = 0; i < library.count(); ++i) {
            if (library.displayLine(i) == display)
                return i;
        }
        return -1;
    }
};

QString matched(int count) {
    return QStringLiteral("sendChat:%1 files matched that string, Select One.").arg(count);
}

} // namespace

class TestCommandInterpreter : public QObject {
    Q_OBJECT
private slots:
    void learning_data();
    void learning();
    void ownLinesOnly_data();
    void ownLinesOnly();
    void words_data();
    void words();
    void numbers_data();
    void numbers();
    void numberPlaysTheDisplayLine();
    void pick_data();
    void pick();
    void secondPickAppends();
    void pickAfterEmptyPickerWithOneMatch();
    void random_data();
    void random();
    void randomPoolEmptiedEveryTime();
    void randomTakesTheRowNotTheText();
    void searchTextIsWhatTheUserTyped_data();
    void searchTextIsWhatTheUserTyped();
};

void TestCommandInterpreter::learning_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("speakers");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("finalLabel");
    QTest::addColumn<QStringList>("calls");

    const QString tag = QStringLiteral("zandor.amp 4.0, loaded");
    QTest::newRow("first line with the tag")
        << kInitial << QStringList{"Bob Smith"} << QStringList{tag} << "bobsmith"
        << QStringList{"setScreenName:bobsmith", "sendChat:found username: bobsmith"};
    QTest::newRow("tag line is then a command line")
        << kInitial << QStringList{"Bob Smith"} << QStringList{"r zandor.amp 4.0,"} << "bobsmith"
        << QStringList{"setScreenName:bobsmith", "sendChat:found username: bobsmith",
                       "sendChat:error ; no files found to play"};
    QTest::newRow("tag anywhere, carriage return in the speaker")
        << kInitial << QStringList{"Bo\rb Sm ith\r"} << QStringList{"xx zandor.amp 4.0,yy"}
        << "bobsmith" << QStringList{"setScreenName:bobsmith", "sendChat:found username: bobsmith"};
    QTest::newRow("first line without the tag closes learning")
        << kInitial << QStringList{"Bob Smith", "Bob Smith"} << QStringList{"hello", tag} << kClosed
        << QStringList{"setScreenName:click to set"};
    QTest::newRow("tag is case-sensitive")
        << kInitial << QStringList{"Bob"} << QStringList{"Zandor.amp 4.0, loaded"} << kClosed
        << QStringList{"setScreenName:click to set"};
    QTest::newRow("tag needs its comma")
        << kInitial << QStringList{"Bob"} << QStringList{"zandor.amp 4.0 loaded"} << kClosed
        << QStringList{"setScreenName:click to set"};
    QTest::newRow("closed label never learns")
        << kClosed << QStringList{"Bob"} << QStringList{tag} << kClosed << QStringList{};
    QTest::newRow("name set by hand is kept") << QStringLiteral("alice") << QStringList{"Bob"}
                                              << QStringList{tag} << "alice" << QStringList{};
    QTest::newRow("no command obeyed with the closed label")
        << kInitial << QStringList{"click to set", "clicktoset"} << QStringList{"pause", "pause"}
        << kClosed << QStringList{"setScreenName:click to set"};
}

void TestCommandInterpreter::learning() {
    QFETCH(QString, label);
    QFETCH(QStringList, speakers);
    QFETCH(QStringList, texts);
    QFETCH(QString, finalLabel);
    QFETCH(QStringList, calls);

    Rig rig(label);
    for (qsizetype i = 0; i < speakers.size(); ++i)
        rig.say(speakers.at(i), texts.at(i));
    QCOMPARE(rig.host.labSN, finalLabel);
    QCOMPARE(rig.host.calls, calls);
}

void TestCommandInterpreter::ownLinesOnly_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<bool>("obeyed");

    QTest::newRow("folded speaker") << "bobsmith"
                                    << "BoB SmItH" << true;
    QTest::newRow("other speaker") << "bobsmith"
                                   << "bob" << false;
    QTest::newRow("carriage returns removed") << "bobsmith"
                                              << "\rBob\rSmith\r" << true;
    QTest::newRow("spaces anywhere") << "bobsmith"
                                     << " bob smith " << true;
    QTest::newRow("tab is not a space") << "bobsmith"
                                        << "bob\tsmith" << false;
    QTest::newRow("label compared exactly") << "BobSmith"
                                            << "BobSmith" << false;
    QTest::newRow("entity in the name") << "a&amp;b"
                                        << "A&amp;B" << true;
    QTest::newRow("speaker longer") << "bob"
                                    << "bobsmith" << false;
    QTest::newRow("empty label, no speaker") << ""
                                             << "" << true;
}

void TestCommandInterpreter::ownLinesOnly() {
    QFETCH(QString, label);
    QFETCH(QString, speaker);
    QFETCH(bool, obeyed);

    Rig rig(label);
    rig.say(speaker, QStringLiteral("play"));
    const QStringList expected =
        obeyed ? QStringList{"playerPlay", "sendChat:media playing"} : QStringList{};
    QCOMPARE(rig.host.calls, expected);
}

void TestCommandInterpreter::words_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("autoRandom");

    QTest::newRow("clear") << "clear" << QStringList{"clearChat", "sendChat:chat clear"} << false;
    QTest::newRow("clr") << "clr" << QStringList{"clearChat", "sendChat:chat clear"} << false;
    QTest::newRow("pause") << "pause" << QStringList{"playerPause", "sendChat:<i>held</i>"}
                           << false;
    QTest::newRow("unpause") << "unpause" << QStringList{"playerPlay", "sendChat:media unpaused"}
                             << false;
    QTest::newRow("play") << "play" << QStringList{"playerPlay", "sendChat:media playing"} << false;
    QTest::newRow("ff") << "ff" << QStringList{"playerFastForward", "sendChat:onward"} << false;
    QTest::newRow("fw reverses") << "fw" << QStringList{"playerFastReverse", "sendChat:backward"}
                                 << false;
    QTest::newRow("fr") << "fr" << QStringList{"playerFastReverse", "sendChat:backward"} << false;
    QTest::newRow("ar says first")
        << "ar" << QStringList{"sendChat:auto random enabled", "setAutoRandom:1"} << true;
    QTest::newRow("xar says first")
        << "xar" << QStringList{"sendChat:auto random disabled", "setAutoRandom:0"} << false;
    QTest::newRow("listen, with nothing streaming")
        << "listen" << QStringList{"sendChat:listen along is off"} << false;

    for (const char *notCommand :
         {"Pause", " pause", "pause ", "PLAY", "stop", "p", "", "ar ", "clear\r", "c lear", "fff",
          "x", "unpaus", "play!", "Ar", "Listen", "listen "})
        QTest::newRow(qPrintable(QStringLiteral("not a command: '%1'").arg(notCommand)))
            << QString::fromLatin1(notCommand) << QStringList{} << false;
}

void TestCommandInterpreter::words() {
    QFETCH(QString, text);
    QFETCH(QStringList, calls);
    QFETCH(bool, autoRandom);

    Rig rig;
    rig.host.txtPause = QStringLiteral("<i>held</i>");
    rig.host.txtFor = QStringLiteral("onward");
    rig.host.txtRev = QStringLiteral("backward");
    rig.say(QStringLiteral("Me"), text);
    QCOMPARE(rig.host.calls, calls);
    QCOMPARE(rig.host.autoRandom, autoRandom);
}

void TestCommandInterpreter::numbers_data() {
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("1 of 5") << 5 << "1" << QStringList{"playFile:1.mp3"};
    QTest::newRow("3 of 5") << 5 << "3" << QStringList{"playFile:3.mp3"};
    QTest::newRow("4 of 5 is one of the last two") << 5 << "4" << QStringList{};
    QTest::newRow("5 of 5 is the last") << 5 << "5" << QStringList{};
    QTest::newRow("6 of 5") << 5 << "6" << QStringList{};
    QTest::newRow("leading zero") << 5 << "03" << QStringList{};
    QTest::newRow("zero") << 5 << "0" << QStringList{};
    QTest::newRow("sign") << 5 << "+1" << QStringList{};
    QTest::newRow("negative") << 5 << "-1" << QStringList{};
    QTest::newRow("space before") << 5 << " 1" << QStringList{};
    QTest::newRow("space after") << 5 << "1 " << QStringList{};
    QTest::newRow("decimal point") << 5 << "1.0" << QStringList{};
    QTest::newRow("other digits") << 5 << QStringLiteral("\u0661") << QStringList{};
    QTest::newRow("huge") << 5 << "99999999999999999999" << QStringList{};
    QTest::newRow("1 of 3") << 3 << "1" << QStringList{"playFile:1.mp3"};
    QTest::newRow("1 of 2") << 2 << "1" << QStringList{};
    QTest::newRow("1 of 0") << 0 << "1" << QStringList{};
    QTest::newRow("12 of 14") << 14 << "12" << QStringList{"playFile:12.mp3"};
    QTest::newRow("13 of 14") << 14 << "13" << QStringList{};
}

void TestCommandInterpreter::numbers() {
    QFETCH(int, entries);
    QFETCH(QString, text);
    QFETCH(QStringList, calls);

    Rig rig(QStringLiteral("me"), {});
    // Numbered names sort as text ("10" before "2"), so each entry's display line is set from
    // its row afterwards: entry n reads "n.mp3".
    for (int i = 1; i <= entries; ++i)
        rig.host.addFiles({QStringLiteral("song %1 .mp3").arg(QChar(u'A' + i))});
    for (int row = 0; row < entries; ++row)
        rig.host.mutableLibrary().setDisplayLine(row, QStringLiteral("%1.mp3").arg(row + 1));
    rig.say(QStringLiteral("me"), text);
    QCOMPARE(rig.host.calls, calls);
}

void TestCommandInterpreter::numberPlaysTheDisplayLine() {
    Rig rig;
    const int row = rig.row(QStringLiteral("Queen A.mp3"));
    QVERIFY(row >= 0 && row < FakeCommandHost::sampleSongs().size() - 2);
    rig.host.mutableLibrary().setDisplayLine(row, QStringLiteral("Queen - Bohemian Rhapsody"));
    rig.say(QStringLiteral("me"), QString::number(row + 1));
    QCOMPARE(rig.host.calls, QStringList{"playFile:Queen - Bohemian Rhapsody"});
}

void TestCommandInterpreter::pick_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("picker");
    QTest::addColumn<bool>("visible");

    QTest::newRow("one match plays the search text")
        << "p deep purple"
        << QStringList{"pickerLoad", "pickerAdd:Deep Purple - Smoke.mp3", "playFile:deep purple",
                       "pickerUnload"}
        << QStringList{} << false;
    QTest::newRow("search folded, text passed unfolded")
        << "p DEEP Pur ple"
        << QStringList{"pickerLoad", "pickerAdd:Deep Purple - Smoke.mp3", "playFile:DEEP Pur ple",
                       "pickerUnload"}
        << QStringList{} << false;
    QTest::newRow("three matches in library order")
        << "p queen" << QStringList{"pickerLoad",
                                    "pickerAdd:Queen A.mp3",
                                    "pickerAdd:queen B.mp3",
                                    "pickerAdd:Queen C.mp3",
                                    matched(3),
                                    "pickerShow"}
        << QStringList{"Queen A.mp3", "queen B.mp3", "Queen C.mp3"} << true;
    QTest::newRow("no match shows an empty picker")
        << "p zzz" << QStringList{"pickerLoad", matched(0), "pickerShow"} << QStringList{} << true;
    QTest::newRow("empty search lists everything")
        << "p "
        << QStringList{"pickerLoad",
                       "pickerAdd:ABBA - Dancing.mp3",
                       "pickerAdd:Deep Purple - Smoke.mp3",
                       "pickerAdd:Queen A.mp3",
                       "pickerAdd:queen B.mp3",
                       "pickerAdd:Queen C.mp3",
                       "pickerAdd:Zed.mp3",
                       matched(6),
                       "pickerShow"}
        << FakeCommandHost::sampleSongs() << true;
    QTest::newRow("the folder is not searched")
        << "p music" << QStringList{"pickerLoad", matched(0), "pickerShow"} << QStringList{}
        << true;
    QTest::newRow("bare p is not a command") << "p" << QStringList{} << QStringList{} << false;
    QTest::newRow("capital P is not a command")
        << "P queen" << QStringList{} << QStringList{} << false;
    QTest::newRow("p without a space is not a command")
        << "pqueen" << QStringList{} << QStringList{} << false;
}

void TestCommandInterpreter::pick() {
    QFETCH(QString, text);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, picker);
    QFETCH(bool, visible);

    Rig rig;
    rig.say(QStringLiteral("me"), text);
    QCOMPARE(rig.host.calls, calls);
    QCOMPARE(rig.host.pickerEntries, picker);
    QCOMPARE(rig.host.pickerVisible, visible);
}

void TestCommandInterpreter::secondPickAppends() {
    Rig rig;
    rig.say(QStringLiteral("me"), QStringLiteral("p queen"));
    rig.host.calls.clear();
    rig.say(QStringLiteral("me"), QStringLiteral("p abba"));
    QCOMPARE(rig.host.calls,
             (QStringList{"pickerLoad", "pickerAdd:ABBA - Dancing.mp3", matched(4), "pickerShow"}));
    const QStringList expected{"Queen A.mp3", "queen B.mp3", "Queen C.mp3", "ABBA - Dancing.mp3"};
    QCOMPARE(rig.host.pickerEntries, expected);
    QVERIFY(rig.host.pickerVisible);
}

void TestCommandInterpreter::pickAfterEmptyPickerWithOneMatch() {
    // An open, empty picker plus one new match makes exactly one entry: played and unloaded.
    Rig rig;
    rig.say(QStringLiteral("me"), QStringLiteral("p zzz"));
    rig.host.calls.clear();
    rig.say(QStringLiteral("me"), QStringLiteral("p zed"));
    QCOMPARE(rig.host.calls,
             (QStringList{"pickerLoad", "pickerAdd:Zed.mp3", "playFile:zed", "pickerUnload"}));
    QVERIFY(!rig.host.pickerLoaded);
}

void TestCommandInterpreter::random_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("draw");
    // Display lines of the candidates, in library order; the drawn one is started.
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QStringList>("saidFirst");

    const QString error = QStringLiteral("sendChat:error ; no files found to play");
    QTest::newRow("bare r, empty library")
        << QStringList{} << "r" << 1 << QStringList{} << QStringList{error};
    QTest::newRow("r space, empty library")
        << QStringList{} << "r " << 1 << QStringList{} << QStringList{error};
    QTest::newRow("no match") << FakeCommandHost::sampleSongs() << "r zzz" << 1 << QStringList{}
                              << QStringList{error};
    QTest::newRow("bare r draws from all, first")
        << FakeCommandHost::sampleSongs() << "r" << 1 << FakeCommandHost::sampleSongs()
        << QStringList{};
    QTest::newRow("bare r draws from all, last") << FakeCommandHost::sampleSongs() << "r" << 6
                                                 << FakeCommandHost::sampleSongs() << QStringList{};
    QTest::newRow("matches only, second")
        << FakeCommandHost::sampleSongs() << "r queen" << 2
        << QStringList{"Queen A.mp3", "queen B.mp3", "Queen C.mp3"} << QStringList{};
    QTest::newRow("folded search") << FakeCommandHost::sampleSongs() << "r  Deep Pur" << 1
                                   << QStringList{"Deep Purple - Smoke.mp3"} << QStringList{};
    QTest::newRow("draw below the range starts nothing")
        << FakeCommandHost::sampleSongs() << "r queen" << 0
        << QStringList{"Queen A.mp3", "queen B.mp3", "Queen C.mp3"} << QStringList{};
    QTest::newRow("draw above the range starts nothing")
        << FakeCommandHost::sampleSongs() << "r queen" << 4
        << QStringList{"Queen A.mp3", "queen B.mp3", "Queen C.mp3"} << QStringList{};
}

void TestCommandInterpreter::random() {
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    QFETCH(int, draw);
    QFETCH(QStringList, candidates);
    QFETCH(QStringList, saidFirst);

    Rig rig(QStringLiteral("me"), files);
    rig.host.randomFunction = [draw](int, int) {
        return draw;
    };
    rig.say(QStringLiteral("me"), text);

    QStringList expected = saidFirst;
    if (!candidates.isEmpty()) {
        expected.append(QStringLiteral("random:%1,1").arg(candidates.size()));
        if (draw >= 1 && draw <= candidates.size())
            expected.append(QStringLiteral("startEntry:%1").arg(rig.row(candidates.at(draw - 1))));
    }
    QCOMPARE(rig.host.calls, expected);
    QVERIFY(rig.interpreter.randomPool().isEmpty());
}

void TestCommandInterpreter::randomPoolEmptiedEveryTime() {
    Rig rig;
    rig.host.randomFunction = [](int highest, int) {
        return highest;
    };
    rig.say(QStringLiteral("me"), QStringLiteral("r queen"));
    rig.say(QStringLiteral("me"), QStringLiteral("r queen"));
    rig.say(QStringLiteral("me"), QStringLiteral("r zzz"));
    rig.say(QStringLiteral("me"), QStringLiteral("r abba"));
    const QString lastQueen = QStringLiteral("startEntry:%1").arg(rig.row("Queen C.mp3"));
    const QStringList expected{"random:3,1",
                               lastQueen,
                               "random:3,1",
                               lastQueen,
                               "sendChat:error ; no files found to play",
                               "random:1,1",
                               QStringLiteral("startEntry:%1").arg(rig.row("ABBA - Dancing.mp3"))};
    QCOMPARE(rig.host.calls, expected);
}

void TestCommandInterpreter::randomTakesTheRowNotTheText() {
    // A file name holding "|" and "||": cutting the path out of the path line would go wrong,
    // the row does not.
    Rig rig(QStringLiteral("me"), {});
    rig.host.addFiles({QStringLiteral("a||1|b.mp3")}, QStringLiteral("/x|y"));
    rig.host.addFiles({QStringLiteral("c.mp3")});
    rig.host.randomFunction = [](int, int) {
        return 1;
    };
    rig.say(QStringLiteral("me"), QStringLiteral("r ||"));
    const int row = rig.row(QStringLiteral("a||1|b.mp3"));
    QCOMPARE(rig.host.calls, (QStringList{"random:1,1", QStringLiteral("startEntry:%1").arg(row)}));
    QCOMPARE(rig.host.library().fullPath(row), QStringLiteral("/x|y/a||1|b.mp3"));
}

void TestCommandInterpreter::searchTextIsWhatTheUserTyped_data() {
    // The line as the transcript holds it, the search it stands for, the entry it plays.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("song");

    QTest::newRow("p &") << "p rock &amp; roll"
                         << "rock & roll"
                         << "Rock & Roll.mp3";
    QTest::newRow("r &") << "r &amp; roll"
                         << "& roll"
                         << "Rock & Roll.mp3";
    QTest::newRow("p <") << "p x &lt; y"
                         << "x < y"
                         << "x < y > z.mp3";
    QTest::newRow("r >") << "r y &gt; z"
                         << "y > z"
                         << "x < y > z.mp3";
    QTest::newRow("decimal reference") << "p rock &#38; roll"
                                       << "rock & roll"
                                       << "Rock & Roll.mp3";
    QTest::newRow("hex reference") << "r &#x26; roll"
                                   << "& roll"
                                   << "Rock & Roll.mp3";
    QTest::newRow("quotes") << "p it&#39;s &quot;here&quot;"
                            << "it's \"here\""
                            << "It's \"Here\".mp3";
    QTest::newRow("apostrophe") << "r it&apos;s"
                                << "it's"
                                << "It's \"Here\".mp3";
    QTest::newRow("typed &amp; finds &amp;") << "p tom &amp;amp; jerry"
                                             << "tom &amp; jerry"
                                             << "Tom &amp; Jerry.mp3";
    QTest::newRow("unknown reference stays") << "r &bogus; roll"
                                             << "&bogus; roll"
                                             << "";
    QTest::newRow("no character stays") << "r &#0;"
                                        << "&#0;"
                                        << "";
    QTest::newRow("lone &") << "r & roll"
                            << "& roll"
                            << "Rock & Roll.mp3";
}

void TestCommandInterpreter::searchTextIsWhatTheUserTyped() {
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(QString, song);

    Rig rig(QStringLiteral("me"), {"Rock & Roll.mp3", "Tom &amp; Jerry.mp3", "x < y > z.mp3",
                                   "It's \"Here\".mp3", "Rock Roll.mp3"});
    rig.host.randomFunction = [](int, int) {
        return 1;
    };
    rig.say(QStringLiteral("me"), text);

    QStringList expected;
    if (text.startsWith(QLatin1String("p ")))
        expected = {"pickerLoad", "pickerAdd:" + song, "playFile:" + search, "pickerUnload"};
    else if (song.isEmpty())
        expected = {"sendChat:error ; no files found to play"};
    else
        expected = {"random:1,1", QStringLiteral("startEntry:%1").arg(rig.row(song))};
    QCOMPARE(rig.host.calls, expected);
}

QTEST_GUILESS_MAIN(TestCommandInterpreter)
#include "tst_commandinterpreter.moc"
