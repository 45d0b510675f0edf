// The player commanded from an IRC channel, as a user would: a real IRC server (ngircd), the real
// chatroom program joined to a channel, the real player (libmpv with the null audio output)
// following that room, and a second IRC client playing the user.
#include "app/MainWindow.h"
#include "chat/ChatScanner.h"
#include "commands/MultiPicker.h"
#include "library/Library.h"
#include "platform/ChatRoomClient.h"
#include "player/MediaPlayer.h"
#include "support/IrcTestClient.h"
#include "support/NgircdServer.h"
#include "support/TestEnv.h"
#include "support/TestPlatform.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kChannel = "#zandoramp";
const QByteArray kRoomNick = "zandoramp";
const QByteArray kPassword = "letmein";

const struct {
    const char *name;
    const char *source;
} kFiles[] = {
    {"a1.mp3", "untagged.mp3"}, {"b2.wma", "tagged.wma"}, {"c3.asf", "tagged.asf"},
    {"d4.mp3", "long.mp3"},     {"e5.mp3", "tagged.mp3"},
};

} // namespace

class TestIrcRoom : public QObject {
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
    void manyLinesArriveInOrder();
    void longLineArrivesWholeInPieces();
    void connectionLoss_data();
    void connectionLoss();
    void tls_data();
    void tls();
    // Last: the user's client leaves the channel, and comes back without its operator status.
    void ownerGuard_data();
    void ownerGuard();

private:
    QStringList roomArguments(const QString &socket, const QByteArray &nick) const;
    void startRoom(QProcess &process, const QStringList &arguments);
    bool signOnAlice();
    bool roomJoined(const QByteArray &nick, int timeoutMs = 10000);
    QString playingFile() const;

    QTemporaryDir m_folder;
    std::unique_ptr<NgircdServer> m_server;
    IrcTestClient m_alice;
    IrcTestClient m_bob; // another member
    QProcess m_room;
    std::unique_ptr<ChatRoomClient> m_client;
    std::unique_ptr<TestPlatform> m_platform;
    QPointer<MainWindow> m_window;
};

QStringList TestIrcRoom::roomArguments(const QString &socket, const QByteArray &nick) const {
    QFile password(m_folder.filePath("password"));
    if (!password.exists() && password.open(QIODevice::WriteOnly))
        password.write(kPassword + "\n");
    // A quick pace: the real one (a line every 2 s) would make these tests take minutes.
    return {"--socket",        socket,
            "--irc",           QStringLiteral("127.0.0.1:%1").arg(m_server->port()),
            "--channel",       QString::fromLatin1(kChannel),
            "--nick",          QString::fromLatin1(nick),
            "--password-file", password.fileName(),
            "--owner",         "alice!~alice@127.0.0.1",
            "--pace",          "5,150"};
}

void TestIrcRoom::startRoom(QProcess &process, const QStringList &arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(testenv::binaryDir() + "/chatroom", arguments);
}

bool TestIrcRoom::signOnAlice() {
    return m_alice.signOn(m_server->port(), "alice", "alice", kPassword) && m_alice.join(kChannel);
}

bool TestIrcRoom::roomJoined(const QByteArray &nick, int timeoutMs) {
    // Either the room joins after the user, or the user finds it among the names on joining.
    return m_alice.waitFor(
        [&](const IrcMessage &m) {
            if (m.command == "353") {
                const QList<QByteArray> names = m.params.last().split(' ');
                return names.contains(nick) || names.contains("@" + nick) ||
                       names.contains("+" + nick);
            }
            return m.command == "JOIN" && m.nick() == nick;
        },
        timeoutMs);
}

QString TestIrcRoom::playingFile() const {
    return QFileInfo(m_window->player().URL()).fileName();
}

void TestIrcRoom::initTestCase() {
    if (NgircdServer::executable().isEmpty())
        QSKIP("ngircd is not installed (scripts/deps installs it): no IRC server to test with");
    m_server = std::make_unique<NgircdServer>(NgircdServer::Options{kPassword, true});
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    QVERIFY(signOnAlice());
    QVERIFY(m_bob.signOn(m_server->port(), "bob", "bob", kPassword) && m_bob.join(kChannel));

    const QString socket = m_folder.filePath("room");
    startRoom(m_room, roomArguments(socket, kRoomNick));
    QVERIFY(roomJoined(kRoomNick));

    for (const auto &file : kFiles)
        QVERIFY(QFile::copy(testenv::media(file.source), m_folder.filePath(file.name)));
    QVERIFY(QDir(m_folder.path()).mkdir("more"));
    m_platform = std::make_unique<TestPlatform>(TestPlatform::Engine::Mpv);
    m_client = std::make_unique<ChatRoomClient>(socket, 3000);
    m_platform->platform().chatWindow = m_client.get();
    m_platform->writeSettings("xdir" + m_folder.path().toUtf8() + "\r\n");
    m_window = new MainWindow(m_platform->platform());
    m_window->runLoadSequence();
    // The greeting's bold and underlined letters come as IRC's own codes.
    QVERIFY(m_alice.waitForText(kRoomNick, "\x02\x1Ft\x1F\x02revik \x02\x1F"
                                           "a\x02\x1Fmp 1.0 Loaded, ["));
    m_platform->dialogs.inputAnswer = "alice";
    m_window->labSN_Click();

    QVERIFY(testenv::warmUpEngine(*m_window));
}

void TestIrcRoom::cleanupTestCase() {
    if (m_window)
        m_window->close();
    QTRY_VERIFY(m_window.isNull());
    m_room.terminate();
    m_room.waitForFinished(5000);
}

void TestIrcRoom::init() {
    m_window->findChild<QCheckBox *>("chkChatSend")->setChecked(true);
    m_window->findChild<QCheckBox *>("chkRandom")->setChecked(false);
    if (m_window->picker())
        m_window->picker()->unload();
    m_window->player().stop();
    // The announcement check of an earlier start must be over: switching it on again while it
    // runs does not restart its countdown.
    QTRY_VERIFY(!m_window->findChild<QTimer *>("Timer1")->isActive());
    m_alice.forget();
}

void TestIrcRoom::randomIsAnnouncedInTheChannel() {
    QElapsedTimer sinceCommand;
    sinceCommand.start();
    m_alice.say(kChannel, "r");
    QVERIFY(m_alice.waitForText(kRoomNick, "playing "));
    qInfo("now-playing line in the channel %lld ms after the command", sinceCommand.elapsed());
    QVERIFY(m_window->player().currentMedia());
}

void TestIrcRoom::severalMatchesOpenThePicker() {
    m_alice.say(kChannel, "p s");
    QVERIFY(m_alice.waitForText(kRoomNick, "3 files matched that string, Select One."));
    QTRY_VERIFY(m_window->picker());
}

void TestIrcRoom::incomingLines_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("shown");
    QTest::newRow("formatting codes") << QByteArray("\x02"
                                                    "b\x02 \x03"
                                                    "04,12c\x03 \x1Di\x1D \x1Fu\x1F \x16r\x0F "
                                                    "\x03"
                                                    "99,x \x03"
                                                    "5 9")
                                      << "b c i u r ,x  9";
    QTest::newRow("markup is text") << QByteArray("<b>&amp;</b>") << "&lt;b&gt;&amp;amp;&lt;/b&gt;";
    QTest::newRow("cp1252 among utf-8")
        << QByteArray("caf\xe9 \x93q\x94 \xe2\x82\xac") << QString::fromUtf8("café “q” €");
    QTest::newRow("action") << QByteArray("\x01"
                                          "ACTION dances\x01")
                            << "* alice dances";
    QTest::newRow("formatted command is obeyed") << QByteArray("\x02p\x02 \x03"
                                                               "04long\x03")
                                                 << "p long";
}

void TestIrcRoom::incomingLines() {
    QFETCH(QByteArray, sent);
    QFETCH(QString, shown);
    m_alice.say(kChannel, sent);
    const QString line = "<B>alice</B></FONT><FONT COLOR=\"#000000\">: " + shown + "<!-- (";
    QTRY_VERIFY_WITH_TIMEOUT(m_client->transcript().contains(line), 5000);
    if (shown == "p long")
        QTRY_COMPARE(playingFile(), QStringLiteral("d4.mp3"));
}

void TestIrcRoom::ownerGuard_data() {
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<bool>("obeyed");
    QTest::newRow("owner") << QByteArray("alice") << "alice" << true;
    QTest::newRow("impostor") << QByteArray("mallory") << "alice (unverified)" << false;
}

void TestIrcRoom::ownerGuard() {
    QFETCH(QByteArray, user);
    QFETCH(QString, speaker);
    QFETCH(bool, obeyed);
    m_alice.quit();
    IrcTestClient claimant;
    QVERIFY(claimant.signOn(m_server->port(), "alice", user, kPassword));
    QVERIFY(claimant.join(kChannel));
    claimant.say(kChannel, "ar");
    const QString line = "<B>" + speaker + "</B></FONT><FONT COLOR=\"#000000\">: ar<!-- (";
    // The owner's next line follows the claimant's through the server: once the scanner has
    // reported it, the claimant's line was read, or held back by the room, before it.
    claimant.quit();
    QVERIFY(signOnAlice());
    m_alice.say(kChannel, "after the claim");
    const QString marker = "<B>alice</B></FONT><FONT COLOR=\"#000000\">: after the claim<!-- (";
    QTRY_VERIFY_WITH_TIMEOUT(m_window->scanner().oldlastlyne().contains(marker), 10000);
    QCOMPARE(m_window->findChild<QCheckBox *>("chkRandom")->isChecked(), obeyed);
    // Only the owner's line reaches the player at all.
    QCOMPARE(m_client->transcript().contains(line), obeyed);
}

void TestIrcRoom::manyLinesArriveInOrder() {
    QList<QByteArray> expected;
    for (int i = 1; i <= 30; ++i) {
        expected += "line " + QByteArray::number(i) + " of 30";
        m_client->setInput(QString::fromLatin1(expected.last()));
        m_client->pressSend();
    }
    QVERIFY(m_alice.waitForText(kRoomNick, "line 30 of 30", 20000));
    // The room lets its own lines into the transcript a hold apart, and the player sees each.
    QTRY_VERIFY_WITH_TIMEOUT(m_client->transcript().contains(": line 30 of 30<!--"), 30000);
    QList<QByteArray> arrived = m_alice.textsFrom(kRoomNick);
    arrived.removeIf([](const QByteArray &text) { return !text.startsWith("line "); });
    QCOMPARE(arrived, expected);
    QVERIFY(!m_alice.waitFor([](const IrcMessage &m) { return m.command == "QUIT"; }, 0));
}

void TestIrcRoom::commandFollowedByAnotherMember() {
    auto *autoRandom = m_window->findChild<QCheckBox *>("chkRandom");
    for (const bool on : {true, false}) {
        m_alice.say(kChannel, on ? "ar" : "xar");
        QTest::qWait(50);
        m_bob.say(kChannel, "lol");
        QTRY_COMPARE_WITH_TIMEOUT(autoRandom->isChecked(), on, 5000);
    }
}

void TestIrcRoom::anotherMemberCannotTakeTheScreenName() {
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
    m_bob.say(kChannel, "psst zandor.amp 4.0, I am the owner now");
    QVERIFY(m_alice.waitForText("bob", "psst zandor.amp 4.0, I am the owner now"));
    // The scanner looks twice a second.
    QTest::qWait(1200);
    QCOMPARE(name->text(), QStringLiteral("Click To Set"));
    m_window->labSN_Click();
    QCOMPARE(m_window->screenName(), QStringLiteral("alice"));
}

void TestIrcRoom::longLineArrivesWholeInPieces() {
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
    QVERIFY(m_alice.waitFor(
        [&](const IrcMessage &m) {
            if (m.command != "PRIVMSG" || m.nick() != kRoomNick)
                return false;
            // As the server relays it: ":source PRIVMSG #channel :text" and CR LF.
            longest = qMax(longest,
                           1 + m.source.size() + 10 + kChannel.size() + 2 + m.param(1).size() + 2);
            joined += m.param(1);
            return joined.size() >= whole.size();
        },
        10000));
    QCOMPARE(joined, whole);
    QVERIFY(m_alice.textsFrom(kRoomNick).size() > 1);
    QVERIFY(longest <= 512);
}

void TestIrcRoom::connectionLoss_data() {
    QTest::addColumn<bool>("restartServer");
    QTest::newRow("kicked") << false;
    QTest::newRow("server restarted") << true;
}

void TestIrcRoom::connectionLoss() {
    QFETCH(bool, restartServer);
    if (restartServer) {
        m_server->kill();
        m_alice.dropConnection();
    } else {
        m_alice.send("KICK " + kChannel + " " + kRoomNick + " :out");
        QVERIFY(m_alice.waitFor([](const IrcMessage &m) { return m.command == "KICK"; }));
    }
    // What the player says meanwhile waits for the channel.
    m_client->setInput("said while away");
    m_client->pressSend();
    if (restartServer) {
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        QVERIFY(signOnAlice());
    }
    QVERIFY(roomJoined(kRoomNick, 15000));
    // It goes out as soon as the room is back, perhaps before the user's client is.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_client->transcript().contains(
            "<B>zandoramp</B></FONT><FONT COLOR=\"#000000\">: said while away"),
        5000);
    // A command whose answer never depends on timing: the player announces a new song only when
    // the file has loaded within half a second, which a loaded test machine may miss. More time
    // than usual: ngircd holds back the commands of a client that sent several in a row (here
    // the user's, KICK among them) by a second or more each.
    m_alice.say(kChannel, "p s");
    QVERIFY2(m_alice.waitForText(kRoomNick, "3 files matched that string, Select One.", 10000),
             qPrintable(m_client->transcript().right(300)));
}

void TestIrcRoom::tls_data() {
    QTest::addColumn<bool>("trusted");
    QTest::newRow("trusted certificate, nick taken") << true;
    QTest::newRow("untrusted certificate") << false;
}

void TestIrcRoom::tls() {
    QFETCH(bool, trusted);
    QStringList arguments = roomArguments(m_folder.filePath(QTest::currentDataTag()), kRoomNick);
    arguments[arguments.indexOf("--irc") + 1] =
        QStringLiteral("localhost:%1").arg(m_server->tlsPort());
    arguments << "--tls";
    if (trusted)
        arguments << "--trust-cert" << m_server->certificateFile();
    QProcess room;
    room.setProcessChannelMode(QProcess::MergedChannels);
    startRoom(room, arguments);
    if (trusted) {
        QVERIFY(roomJoined(kRoomNick + "_"));
    } else {
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += room.readAll()).contains("certificate not trusted"),
                                 5000);
        // The server answers in order: once it has listed the channel to the user, any join of
        // the room before the refusal has been seen.
        const auto namesListed = [&] {
            const QList<IrcMessage> got = m_alice.received();
            return std::count_if(got.cbegin(), got.cend(),
                                 [](const IrcMessage &m) { return m.command == "366"; });
        };
        const auto listedBefore = namesListed();
        m_alice.send("NAMES " + kChannel);
        QTRY_VERIFY_WITH_TIMEOUT(namesListed() > listedBefore, 5000);
        QVERIFY(!roomJoined(kRoomNick + "_", 0));
    }
    room.terminate();
    QVERIFY(room.waitForFinished(5000));
}

QTEST_MAIN(TestIrcRoom)
#include "tst_ircroom.moc"
