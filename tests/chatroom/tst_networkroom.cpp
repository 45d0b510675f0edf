// The player commanded from a network's group chat, as a user would: a real server (ngircd for an
// IRC channel, prosody for an XMPP group chat or murmurd for a Mumble channel, as
// ZAMP_TEST_NETWORK says), the real chatroom program joined to it, the real player (libmpv with
// the null audio output) following that room, and small clients of that network playing the user
// and another member. The cases are the same on every network; the few that belong to some
// alone say so. On Mumble the room also plays the player's listen-along stream into the channel.
#include "app/MainWindow.h"
#include "chat/ChatScanner.h"
#include "commands/MultiPicker.h"
#include "library/Library.h"
#include "platform/ChatRoomClient.h"
#include "player/MediaPlayer.h"
#include "session/Session.h"
#include "session/StreamFollower.h"
#include "stream/StreamService.h"
#include "support/ChatMember.h"
#include "support/IrcTestClient.h"
#include "support/MumbleTestClient.h"
#include "support/TestEnv.h"
#include "support/TestNetwork.h"
#include "support/TestPlatform.h"
#include "support/XmppTestClient.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kRoomNick = "zandoramp";

const struct {
    const char *name;
    const char *source;
} kFiles[] = {
    {"a1.mp3", "untagged.mp3"}, {"b2.wma", "tagged.wma"}, {"c3.asf", "tagged.asf"},
    {"d4.mp3", "long.mp3"},     {"e5.mp3", "tagged.mp3"},
};
// Songs the channel hears on Mumble, each a tone of its own.
const char *const kTones[] = {"tone400.mp3", "tone700.mp3"};

} // namespace

class TestNetworkRoom : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void randomIsAnnouncedInTheChannel();
    void severalMatchesOpenThePicker();
    void incomingLines_data();
    void incomingLines();
    // Before a run of the room's own lines, which the room lets in a hold apart.
    void commandFollowedByAnotherMember();
    void anotherMemberCannotTakeTheScreenName();
    void manyLinesArriveInOrderOnce();
    void longLineArrivesWholeInPieces();
    void connectionLoss_data();
    void connectionLoss();
    void secondRoom_data();
    void secondRoom();
    void voiceFollowsThePlayer();
    // Last: the user's client leaves the channel, and comes back without its operator status.
    void ownerGuard_data();
    void ownerGuard();

private:
    void startRoom(QProcess &process, const QStringList &arguments);
    QString playingFile() const;

    QTemporaryDir m_folder;
    TestNetwork m_network{TestNetwork::fromEnvironment()};
    std::unique_ptr<ChatMember> m_alice;
    std::unique_ptr<ChatMember> m_bob; // another member
    QProcess m_room;
    std::unique_ptr<ChatRoomClient> m_client;
    StreamService m_stream; // on Mumble, what the room plays into the channel
    std::unique_ptr<TestPlatform> m_platform;
    QPointer<MainWindow> m_window;
};

void TestNetworkRoom::startRoom(QProcess &process, const QStringList &arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // Each room its own settings folder: on Mumble it keeps its own certificate there.
    environment.insert("XDG_CONFIG_HOME",
                       arguments.value(arguments.indexOf("--socket") + 1) + ".config");
    process.setProcessEnvironment(environment);
    process.start(testenv::binaryDir() + "/chatroom", arguments);
}

QString TestNetworkRoom::playingFile() const {
    return QFileInfo(m_window->session().player().URL()).fileName();
}

void TestNetworkRoom::initTestCase() {
    if (!m_network.missing().isEmpty())
        QSKIP(qPrintable(m_network.missing()));
    if (!m_network.start())
        QSKIP(qPrintable("the server does not start here: " + m_network.errorString()));
    // Alice is first in, and so the group chat's operator or moderator.
    QVERIFY((m_alice = m_network.enter("alice", "alice")));
    QVERIFY((m_bob = m_network.enter("bob", "bob")));

    const QString socket = m_folder.filePath("room");
    QStringList voice;
    StreamSettings stream;
    if (m_network.kind() == TestNetwork::Kind::Mumble) {
        // The stream serves silence from the start, so the room's voice finds it at once.
        stream.setListen(QString::number(testenv::freePort()));
        QVERIFY(m_stream.start(stream, {}));
        voice = QStringList{"--voice", m_stream.url()};
        for (const char *tone : kTones)
            QVERIFY(QFile::copy(testenv::media(tone), m_folder.filePath(tone)));
    }
    startRoom(m_room, QStringList{"--socket", socket} +
                          m_network.roomArguments(kRoomNick, m_folder.path()) + voice);
    QVERIFY(m_alice->sees(kRoomNick));

    for (const auto &file : kFiles)
        QVERIFY(QFile::copy(testenv::media(file.source), m_folder.filePath(file.name)));
    QVERIFY(QDir(m_folder.path()).mkdir("more"));
    m_platform = std::make_unique<TestPlatform>(TestPlatform::Engine::Mpv);
    m_client = std::make_unique<ChatRoomClient>(socket, 3000);
    m_platform->platform().chatWindow = m_client.get();
    m_platform->writeSettings("xdir" + m_folder.path().toUtf8() + "\r\n");
    if (!voice.isEmpty())
        m_platform->platform().stream = &m_stream;
    m_window = new MainWindow(m_platform->platform());
    if (!voice.isEmpty())
        m_window->session().stream().setGiven(stream);
    m_window->runLoadSequence();
    // The greeting's bold and underlined letters come as IRC's own codes, or as plain text.
    QVERIFY(m_alice->waitForText(kRoomNick, m_network.isIrc() ? "\x02\x1Ft\x1F\x02revik \x02\x1F"
                                                                "a\x02\x1Fmp 1.0 Loaded, ["
                                                              : "trevik amp 1.0 Loaded, ["));
    m_platform->dialogs.inputAnswer = "alice";
    m_window->labSN_Click();

    QVERIFY(testenv::warmUpEngine(*m_window));
}

void TestNetworkRoom::cleanupTestCase() {
    if (m_window)
        m_window->close();
    QTRY_VERIFY(m_window.isNull());
    m_room.terminate();
    m_room.waitForFinished(5000);
}

void TestNetworkRoom::init() {
    m_window->findChild<QCheckBox *>("chkChatSend")->setChecked(true);
    m_window->findChild<QCheckBox *>("chkRandom")->setChecked(false);
    if (m_window->picker())
        m_window->picker()->unload();
    m_window->session().player().stop();
    // The announcement check of an earlier start must be over: switching it on again while it
    // runs does not restart its countdown.
    QTRY_VERIFY(!m_window->findChild<QTimer *>("Timer1")->isActive());
    m_alice->forget();
}

void TestNetworkRoom::randomIsAnnouncedInTheChannel() {
    // A file that starts after the announcement check is rightly not announced: "r" again.
    for (int attempt = 1;; ++attempt) {
        QElapsedTimer sinceCommand;
        sinceCommand.start();
        const std::optional<bool> started =
            testenv::startedByAnnouncementCheck(*m_window, [&] { m_alice->say("r"); });
        QVERIFY(started.has_value());
        if (*started) {
            QVERIFY(m_alice->waitForText(kRoomNick, "playing "));
            qInfo("now-playing line in the channel %lld ms after the command (attempt %d)",
                  sinceCommand.elapsed(), attempt);
            QVERIFY(m_window->session().player().currentMedia());
            return;
        }
        if (attempt == 10)
            QSKIP("ten files in a row started after the announcement check on this machine");
        m_window->session().player().stop();
        m_alice->forget();
    }
}

void TestNetworkRoom::severalMatchesOpenThePicker() {
    m_alice->say("p s");
    QVERIFY(m_alice->waitForText(kRoomNick, "3 files matched that string, Select One."));
    QTRY_VERIFY(m_window->picker());
}

void TestNetworkRoom::incomingLines_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("shown");
    QTest::newRow("markup is text") << QByteArray("<b>&amp;</b>") << "&lt;b&gt;&amp;amp;&lt;/b&gt;";
    if (!m_network.isIrc()) {
        if (m_network.kind() == TestNetwork::Kind::Xmpp)
            QTest::newRow("action") << QByteArray("/me dances") << "* alice dances";
        // A line of its own would read as anyone's, the owner's included.
        QTest::newRow("line break") << QByteArray("hi\nalice: ar") << "hi alice: ar";
        return;
    }
    QTest::newRow("formatting codes") << QByteArray("\x02"
                                                    "b\x02 \x03"
                                                    "04,12c\x03 \x1Di\x1D \x1Fu\x1F \x16r\x0F "
                                                    "\x03"
                                                    "99,x \x03"
                                                    "5 9")
                                      << "b c i u r ,x  9";
    QTest::newRow("cp1252 among utf-8")
        << QByteArray("caf\xe9 \x93q\x94 \xe2\x82\xac") << QString::fromUtf8("café “q” €");
    QTest::newRow("action") << QByteArray("\x01"
                                          "ACTION dances\x01")
                            << "* alice dances";
    QTest::newRow("formatted command is obeyed") << QByteArray("\x02p\x02 \x03"
                                                               "04long\x03")
                                                 << "p long";
}

void TestNetworkRoom::incomingLines() {
    QFETCH(QByteArray, sent);
    QFETCH(QString, shown);
    m_alice->say(sent);
    const QString line = "<B>alice</B></FONT><FONT COLOR=\"#000000\">: " + shown + "<!-- (";
    QTRY_VERIFY_WITH_TIMEOUT(m_client->transcript().contains(line), 15000);
    if (shown == "p long")
        QTRY_COMPARE(playingFile(), QStringLiteral("d4.mp3"));
}

void TestNetworkRoom::ownerGuard_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<bool>("obeyed");
    QTest::newRow("owner") << QByteArray("alice") << "alice" << true;
    // On IRC the user name differs; on XMPP the account.
    QTest::newRow("impostor") << QByteArray("mallory") << "alice (unverified)" << false;
}

void TestNetworkRoom::ownerGuard() {
    QFETCH(QByteArray, user);
    QFETCH(QString, speaker);
    QFETCH(bool, obeyed);
    m_alice->quit();
    const std::unique_ptr<ChatMember> claimant = m_network.enter("alice", user);
    QVERIFY(claimant);
    claimant->say("ar");
    const QString line = "<B>" + speaker + "</B></FONT><FONT COLOR=\"#000000\">: ar<!-- (";
    // The owner's next line follows the claimant's through the server: once the scanner has
    // reported it, the claimant's line was read, or held back by the room, before it.
    claimant->quit();
    QVERIFY((m_alice = m_network.enter("alice", "alice")));
    m_alice->say("after the claim");
    const QString marker = "<B>alice</B></FONT><FONT COLOR=\"#000000\">: after the claim<!-- (";
    QTRY_VERIFY_WITH_TIMEOUT(m_window->session().scanner().oldlastlyne().contains(marker), 10000);
    QCOMPARE(m_window->findChild<QCheckBox *>("chkRandom")->isChecked(), obeyed);
    // Only the owner's line reaches the player at all.
    QCOMPARE(m_client->transcript().contains(line), obeyed);
}

void TestNetworkRoom::manyLinesArriveInOrderOnce() {
    QList<QByteArray> expected;
    for (int i = 1; i <= 30; ++i) {
        expected += "line " + QByteArray::number(i) + " of 30";
        m_client->setInput(QString::fromLatin1(expected.last()));
        m_client->pressSend();
    }
    QVERIFY(m_alice->waitForText(kRoomNick, "line 30 of 30", 20000));
    // The room lets its own lines into the transcript a hold apart, and the player sees each.
    QTRY_VERIFY_WITH_TIMEOUT(m_client->transcript().contains(": line 30 of 30<!--"), 30000);
    QList<QByteArray> arrived = m_alice->textsFrom(kRoomNick);
    arrived.removeIf([](const QByteArray &text) { return !text.startsWith("line "); });
    QCOMPARE(arrived, expected);
    // Each is shown once, though the group chat may send the room's own lines back to it.
    QCOMPARE(m_client->transcript().count(": line 1 of 30<!--"), 1);
    if (m_network.isIrc())
        QVERIFY(!static_cast<IrcTestClient *>(m_alice.get())
                     ->waitFor([](const IrcMessage &m) { return m.command == "QUIT"; }, 0));
}

void TestNetworkRoom::commandFollowedByAnotherMember() {
    auto *autoRandom = m_window->findChild<QCheckBox *>("chkRandom");
    for (const bool on : {true, false}) {
        m_alice->say(on ? "ar" : "xar");
        QTest::qWait(50);
        m_bob->say("lol");
        QTRY_COMPARE_WITH_TIMEOUT(autoRandom->isChecked(), on, 5000);
    }
}

void TestNetworkRoom::anotherMemberCannotTakeTheScreenName() {
    // The player learns only from the first line it sees: the room's own lines of the earlier
    // tests must be in first.
    QElapsedTimer quiet;
    quiet.start();
    for (QString before; before != m_client->transcript(); QTest::qWait(1000)) {
        QVERIFY2(quiet.elapsed() < 60000, "the room's own lines never stopped");
        before = m_client->transcript();
    }
    auto *name = m_window->findChild<QLabel *>("labSN");
    name->setText("Click To Set");
    m_bob->say("psst zandor.amp 4.0, I am the owner now");
    QVERIFY(m_alice->waitForText("bob", "psst zandor.amp 4.0, I am the owner now"));
    // The scanner looks twice a second.
    QTest::qWait(1200);
    QCOMPARE(name->text(), QStringLiteral("Click To Set"));
    m_window->labSN_Click();
    QCOMPARE(m_window->session().screenName(), QStringLiteral("alice"));
}

void TestNetworkRoom::longLineArrivesWholeInPieces() {
    if (!m_network.isIrc())
        QSKIP("IRC's line limit");
    QString text;
    while (text.size() < 1000)
        text += QString::fromUtf8("w\u00e9rds and \U0001F3B5 notes ");
    text.truncate(1000);
    if (text.back().isHighSurrogate())
        text.chop(1);
    m_client->setInput(text);
    m_client->pressSend();
    const QByteArray whole = text.toUtf8();
    QByteArray joined;
    qsizetype longest = 0;
    QVERIFY(static_cast<IrcTestClient *>(m_alice.get())
                ->waitFor(
                    [&](const IrcMessage &m) {
                        if (m.command != "PRIVMSG" || m.nick() != kRoomNick)
                            return false;
                        // As the server relays it: ":source PRIVMSG #channel :text" and CR LF.
                        longest =
                            qMax(longest, 1 + m.source.size() + 10 + m_network.place().size() + 2 +
                                              m.param(1).size() + 2);
                        joined += m.param(1);
                        return joined.size() >= whole.size();
                    },
                    10000));
    QCOMPARE(joined, whole);
    QVERIFY(m_alice->textsFrom(kRoomNick).size() > 1);
    QVERIFY(longest <= 512);
}

void TestNetworkRoom::connectionLoss_data() {
    QTest::addColumn<bool>("restartServer");
    QTest::newRow("kicked") << false;
    QTest::newRow("server restarted") << true;
}

void TestNetworkRoom::connectionLoss() {
    QFETCH(bool, restartServer);
    if (restartServer) {
        m_network.kill();
        m_alice->dropConnection();
    } else {
        QVERIFY(m_alice->kick(kRoomNick));
    }
    // What the player says meanwhile waits for the channel.
    m_client->setInput("said while away");
    m_client->pressSend();
    if (restartServer) {
        QVERIFY2(m_network.start(), qPrintable(m_network.errorString()));
        QVERIFY((m_alice = m_network.enter("alice", "alice")));
    }
    QVERIFY(m_alice->sees(kRoomNick, 15000));
    // It goes out as soon as the room is back, perhaps before the user's client is.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_client->transcript().contains(
            "<B>zandoramp</B></FONT><FONT COLOR=\"#000000\">: said while away"),
        15000);
    // A command whose answer never depends on timing: the player announces a new song only when
    // the file has loaded within half a second, which a loaded test machine may miss. More time
    // than usual: ngircd holds back the commands of a client that sent several in a row (here
    // the user's, KICK among them) by a second or more each.
    m_alice->say("p s");
    QVERIFY2(m_alice->waitForText(kRoomNick, "3 files matched that string, Select One.", 10000),
             qPrintable(m_client->transcript().right(300)));
}

void TestNetworkRoom::secondRoom_data() {
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<bool>("anonymous");
    QTest::addColumn<bool>("ownerByName"); // Mumble: the owner a registered name, bob
    QTest::newRow("trusted certificate, nick taken") << true << false << false;
    QTest::newRow("untrusted certificate") << false << false << false;
    if (m_network.kind() == TestNetwork::Kind::Xmpp)
        QTest::newRow("room that hides its members") << true << true << false;
    if (m_network.kind() == TestNetwork::Kind::Mumble)
        QTest::newRow("owner by registered name") << true << false << true;
}

void TestNetworkRoom::secondRoom() {
    QFETCH(bool, trusted);
    QFETCH(bool, anonymous);
    QFETCH(bool, ownerByName);
    const QString socket = m_folder.filePath(QTest::currentDataTag());
    QStringList arguments =
        QStringList{"--socket", socket} +
        (trusted ? m_network.roomArguments(kRoomNick, m_folder.path())
                 : m_network.untrustedRoomArguments(kRoomNick, m_folder.path()));
    const bool xmpp = m_network.kind() == TestNetwork::Kind::Xmpp;
    if (xmpp && !anonymous)
        arguments[arguments.indexOf("--xmpp") + 1] = "mallory@localhost"; // the nick taken
    std::unique_ptr<ChatMember> member;
    if (anonymous) {
        arguments[arguments.indexOf("--muc") + 1] = m_network.place(true);
        QVERIFY((member = m_network.enter("alice", "alice", true)));
    }
    QByteArray nick = anonymous ? kRoomNick : kRoomNick + "_";
    if (m_network.kind() == TestNetwork::Kind::Mumble) {
        // The server lets a newer client from the same address take a name: the name taken here
        // is bob's, registered to his certificate.
        arguments[arguments.indexOf("--nick") + 1] = "bob";
        nick = "bob_";
        if (ownerByName) {
            arguments[arguments.indexOf("--owner") + 1] = "bob";
            QVERIFY((member = m_network.enter("bob", "bob")));
        }
    }
    ChatMember &inRoom = member ? *member : *m_alice;
    if (xmpp) {
        // What was said before the room came in is history, never shown as new.
        inRoom.say("said before");
        static_cast<XmppTestClient &>(inRoom).setSubject("the subject");
        QVERIFY(inRoom.waitForText("alice", "said before"));
    }
    QProcess room;
    room.setProcessChannelMode(QProcess::MergedChannels);
    startRoom(room, arguments);
    if (trusted) {
        QVERIFY(inRoom.sees(nick));
        ChatRoomClient client(socket, 3000);
        inRoom.say("after joining");
        if (anonymous) {
            // Where the room cannot see who the user is, nobody's line reaches the player: the
            // room's own line, which follows the user's through the group chat, does.
            QVERIFY(inRoom.waitForText("alice", "after joining"));
            client.setInput("own line");
            client.pressSend();
            QTRY_VERIFY_WITH_TIMEOUT(client.transcript().contains(": own line<!--"), 15000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(client.transcript().contains(": after joining<!--"), !anonymous,
                                  15000);
        QVERIFY2(!client.transcript().contains("said before") &&
                     !client.transcript().contains("the subject"),
                 qPrintable(client.transcript()));
        QByteArray output;
        QTRY_COMPARE_WITH_TIMEOUT(
            (output += room.readAll()).contains("does not show the room who its members are"),
            anonymous, 15000);
    } else {
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT((output += room.readAll()).contains("certificate not trusted"),
                                  output.constData(), 15000);
        // Refused before signing in, so never in the group chat.
        QVERIFY(!inRoom.sees(nick, 0));
    }
    room.terminate();
    QVERIFY(room.waitForFinished(5000));
}

void TestNetworkRoom::voiceFollowsThePlayer() {
    if (m_network.kind() != TestNetwork::Kind::Mumble)
        QSKIP("voice is Mumble's");
    auto *listener = static_cast<MumbleTestClient *>(m_alice.get());
    // Each song is heard in the channel as it plays; a pause is heard as the talk ending.
    for (const auto &[tone, title] : {std::pair{400, "p lagoon"}, std::pair{700, "p canyon"}}) {
        m_alice->say(title);
        QVERIFY2(listener->hears(tone, 15000),
                 qPrintable(QStringLiteral("heard %1 Hz after %2 s of voice, playing %3")
                                .arg(listener->latest().frequency)
                                .arg(listener->heard())
                                .arg(playingFile())));
    }
    m_alice->say("pause");
    QVERIFY(listener->hearsSilence(10000));
    m_alice->say("play");
    QVERIFY(listener->hears(700, 10000));
}

QTEST_MAIN(TestNetworkRoom)
#include "tst_networkroom.moc"
