// The player driven through a real chat room, as a user would: the room's server runs on its own
// thread (the player's chat client blocks while it waits for an answer), the player is the real
// main window with real libmpv (null audio output) and TagLib on real files.
#include "app/MainWindow.h"
#include "chat/ChatScanner.h"
#include "chatroom/ChatRoom.h"
#include "commands/MultiPicker.h"
#include "library/Fold.h"
#include "library/Library.h"
#include "platform/ChatRoomClient.h"
#include "platform/MediaEngine.h"
#include "player/Announcement.h"
#include "player/MediaPlayer.h"
#include "session/Session.h"
#include "support/RoomPlayer.h"
#include "support/TestChatRoom.h"
#include "support/TestEnv.h"
#include "support/TestPlatform.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <optional>

namespace {

// Library order is file-name order; the display lines become author " - " name where a file
// has an author.
const struct {
    const char *name;
    const char *source;
    const char *display;
} kFiles[] = {
    {"a1 & b < c.mp3", "untagged.mp3", "a1 & b < c.mp3"},
    {"b2.wma", "tagged.wma", "Wma Author - Wma Title"},
    {"c3.asf", "tagged.asf", "Asf Author - Asf Title"},
    {"d4.mp3", "long.mp3", "Long Artist - Long Title"},
    {"e5.mp3", "tagged.mp3", "Test Artist - Test Title"},
};

const QString kUser = QString::fromLatin1(RoomPlayer::kUser);

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void randomPlaysAndIsAnnounced();
    void randomWithText();
    void randomWithoutMatch();
    void pWithOneMatch();
    void pWithThreeMatchesAndClick();
    void pWithoutMatch();
    void searchWithMarkupCharacters();
    void numbers();
    void wordCommands();
    void notCommands_data();
    void notCommands();
    void otherMembersNeverAct();
    void commandFollowedByAnotherLine();
    void chatSendsOff();
    void withoutAWindow();

private:
    // Says a line in the room and waits until the scanner has reported it: the player's
    // handler, and any reply it types, ran inside that same tick. False when the scanner never
    // saw the line.
    bool say(const QString &text, const QString &speaker = kUser);
    bool transcriptHasLine(const QString &text);
    QString playingFile() const;
    bool advancing();

    QTemporaryDir m_music;
    std::unique_ptr<RoomPlayer> m_rig;
    MainWindow *m_window = nullptr;
    TestChatRoom *m_room = nullptr;
};

void TestEndToEnd::initTestCase() {
    for (const auto &file : kFiles)
        QVERIFY(QFile::copy(testenv::media(file.source), m_music.filePath(file.name)));
    // A subfolder makes the scan reach its completion, which reads the authors and names.
    QVERIFY(QDir(m_music.path()).mkdir("more"));
    m_rig = std::make_unique<RoomPlayer>();
    QVERIFY(m_rig->start(m_music.path()));
    m_window = m_rig->window;
    m_room = &m_rig->room;
    QCOMPARE(m_window->session().songs().count(), 5);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(m_window->session().songs().displayLine(row),
                 QString::fromLatin1(kFiles[row].display));
    QTRY_VERIFY(m_room->transcript().contains("mp 1.0 Loaded, [zandoramp.example]"));
    QCOMPARE(m_window->session().screenName(), QStringLiteral("testuser"));
}

void TestEndToEnd::cleanupTestCase() {
    m_rig.reset();
}

void TestEndToEnd::init() {
    // Each test starts with the chat on, nothing picked and the player idle on no file.
    m_window->findChild<QCheckBox *>("chkChatSend")->setChecked(true);
    m_window->findChild<QCheckBox *>("chkRandom")->setChecked(false);
    if (m_window->picker())
        m_window->picker()->unload();
    m_window->session().player().stop();
    // The announcement check of an earlier start must be over (switching it on again while it
    // runs does not restart its countdown), and no line may still wait for the transcript.
    QVERIFY(m_rig->settle());
}

bool TestEndToEnd::say(const QString &text, const QString &speaker) {
    return m_rig->say(text, speaker);
}

bool TestEndToEnd::transcriptHasLine(const QString &text) {
    return m_rig->saidLine(text);
}

QString TestEndToEnd::playingFile() const {
    return QFileInfo(m_window->session().player().URL()).fileName();
}

bool TestEndToEnd::advancing() {
    const double before = m_window->session().player().currentPosition();
    QTest::qWait(300);
    return m_window->session().player().currentPosition() > before;
}

void TestEndToEnd::randomPlaysAndIsAnnounced() {
    // A file that starts after the announcement check is rightly not announced: "r" again.
    for (int attempt = 1;; ++attempt) {
        QElapsedTimer sinceLine;
        sinceLine.start();
        const QString before = m_room->transcript();
        const std::optional<bool> started =
            testenv::startedByAnnouncementCheck(*m_window, [&] { m_room->sayAsUser("r"); });
        QVERIFY(started.has_value());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->session().player().currentPosition() > 0, 15000);
        QVERIFY(m_window->session().songs().lastPathMatch(fold(playingFile())) >= 0);
        const int number = m_window->findChild<QLabel *>("txtNum")->text().toInt();
        QCOMPARE(m_window->session().songs().fileName(number - 1), playingFile());
        const MediaItem *media = m_window->session().player().currentMedia();
        QVERIFY(media);
        const QString announcement =
            QStringLiteral("playing %1 by %2, duration %3, number %4")
                .arg(Announcement::escapeHtml(media->getItemInfo("name")),
                     Announcement::escapeHtml(media->getItemInfo("author")),
                     media->durationString())
                .arg(number);
        if (*started) {
            QTRY_VERIFY_WITH_TIMEOUT(m_room->transcript().contains(announcement), 5000);
            qInfo("now-playing line in the room %lld ms after the command (attempt %d)",
                  sinceLine.elapsed(), attempt);
            return;
        }
        QVERIFY(!m_room->transcript().mid(before.size()).contains("playing "));
        if (attempt == 10)
            QSKIP("ten files in a row started after the announcement check on this machine");
        m_window->session().player().stop();
    }
}

void TestEndToEnd::randomWithText() {
    QVERIFY(say("r wma"));
    QTRY_COMPARE(playingFile(), QStringLiteral("b2.wma"));
    QTRY_VERIFY(advancing());
}

void TestEndToEnd::randomWithoutMatch() {
    const QString before = m_window->session().player().URL();
    QVERIFY(say("r zzz"));
    QTRY_VERIFY(transcriptHasLine("error ; no files found to play"));
    QCOMPARE(m_window->session().player().URL(), before);
}

void TestEndToEnd::pWithOneMatch() {
    const QString before = m_room->transcript();
    QVERIFY(say("p long"));
    QTRY_COMPARE(playingFile(), QStringLiteral("d4.mp3"));
    QVERIFY(!m_room->transcript().mid(before.size()).contains("files matched"));
    QVERIFY(!m_window->picker());
}

void TestEndToEnd::pWithThreeMatchesAndClick() {
    QVERIFY(say("p s"));
    QTRY_VERIFY(transcriptHasLine("3 files matched that string, Select One."));
    MultiPicker *picker = m_window->picker();
    QVERIFY(picker);
    QVERIFY(picker->isVisible());
    QCOMPARE(picker->entries(), (QStringList{"Asf Author - Asf Title", "Long Artist - Long Title",
                                             "Test Artist - Test Title"}));
    QListWidget *list = picker->lstFiles();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QTRY_COMPARE(playingFile(), QStringLiteral("d4.mp3"));
    QTRY_VERIFY(!m_window->picker());
}

void TestEndToEnd::pWithoutMatch() {
    QVERIFY(say("p zzz"));
    QTRY_VERIFY(transcriptHasLine("0 files matched that string, Select One."));
    QVERIFY(m_window->picker());
    QVERIFY(m_window->picker()->isVisible());
    QCOMPARE(m_window->picker()->count(), 0);
}

void TestEndToEnd::searchWithMarkupCharacters() {
    // Typed into the room, "&" and "<" reach the transcript as "&amp;" and "&lt;".
    for (const char *line : {"p a1 & b", "r & b < c"}) {
        QVERIFY(say("3"));
        QTRY_COMPARE(playingFile(), QStringLiteral("c3.asf"));
        QVERIFY(say(QString::fromLatin1(line)));
        QTRY_COMPARE(playingFile(), QString::fromLatin1(kFiles[0].name));
    }
}

void TestEndToEnd::numbers() {
    QVERIFY(say("3"));
    QTRY_COMPARE(playingFile(), QStringLiteral("c3.asf"));
    QCOMPARE(m_window->findChild<QLabel *>("txtNum")->text(), QStringLiteral("3"));
    for (const char *ignored : {"4", "5", "03"}) {
        QVERIFY(say(QString::fromLatin1(ignored)));
        QCOMPARE(playingFile(), QStringLiteral("c3.asf"));
    }
}

void TestEndToEnd::wordCommands() {
    QVERIFY(say("p test"));
    QTRY_VERIFY(advancing());
    MediaPlayer &player = m_window->session().player();

    QVERIFY(say("pause"));
    QTRY_VERIFY(transcriptHasLine("Media Paused"));
    // libmpv applies pause asynchronously, and on a loaded machine a 300 ms window can miss the
    // change either way: retry the window instead of trusting the first one.
    QTRY_VERIFY_WITH_TIMEOUT(!advancing(), 5000);
    QVERIFY(say("unpause"));
    QTRY_VERIFY(transcriptHasLine("media unpaused"));
    QTRY_VERIFY_WITH_TIMEOUT(advancing(), 5000);
    QVERIFY(say("ff"));
    QTRY_VERIFY(transcriptHasLine("fast forwarding, use play to resume normal playing..."));
    QCOMPARE(player.engine().speed(), 5.0);
    QVERIFY(say("play"));
    QTRY_VERIFY(transcriptHasLine("media playing"));
    QCOMPARE(player.engine().speed(), 1.0);
    for (const char *reverse : {"fr", "fw"}) {
        QVERIFY(say("play"));
        QVERIFY(say(QString::fromLatin1(reverse)));
        QVERIFY(player.engine().isBackward());
        QCOMPARE(player.engine().speed(), 5.0);
    }
    QTRY_VERIFY(transcriptHasLine("rast reversing, use play to resume normal playing..."));
    QVERIFY(say("play"));

    auto *autoRandom = m_window->findChild<QCheckBox *>("chkRandom");
    QVERIFY(say("ar"));
    QVERIFY(autoRandom->isChecked());
    QTRY_VERIFY(transcriptHasLine("auto random enabled"));
    QVERIFY(say("xar"));
    QVERIFY(!autoRandom->isChecked());
    QTRY_VERIFY(transcriptHasLine("auto random disabled"));

    for (const char *clear : {"clear", "clr"}) {
        QVERIFY(say(QString::fromLatin1(clear)));
        const QString transcript = m_room->transcript();
        QVERIFY(transcript.startsWith(
            "<font color=blue><b>OnlineHost</b>:<font color=black> Chat Cleared!"));
        QTRY_VERIFY(transcriptHasLine("chat clear"));
    }
}

void TestEndToEnd::notCommands_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("stop") << "stop";
    QTest::newRow("capital") << "Pause";
    QTest::newRow("leading space") << " pause";
    QTest::newRow("bare p") << "p";
}

void TestEndToEnd::notCommands() {
    QFETCH(QString, line);
    QVERIFY(say("p test"));
    QTRY_VERIFY(advancing());
    const QString before = m_room->transcript();
    QVERIFY(say(line));
    QTRY_VERIFY_WITH_TIMEOUT(advancing(), 5000);
    QCOMPARE(m_window->session().player().playState(), MediaPlayer::PlayState::Playing);
    // Nothing is said in reply: the user's own line is the last one.
    QVERIFY(m_room->transcript().mid(before.size()).count("<BR>") == 1);
}

void TestEndToEnd::otherMembersNeverAct() {
    QVERIFY(say("p test"));
    QTRY_VERIFY(advancing());
    QVERIFY(say("pause", "Someone Else"));
    QTRY_VERIFY_WITH_TIMEOUT(advancing(), 5000);
    // Each line would flip Auto Random if obeyed: the box shows whose lines were.
    auto *autoRandom = m_window->findChild<QCheckBox *>("chkRandom");
    QVERIFY(say("ar", "Test User2"));
    QVERIFY(!autoRandom->isChecked());
    QVERIFY(say("ar", "TEST user"));
    QVERIFY(autoRandom->isChecked());
    QVERIFY(say("xar", "Test User2"));
    QVERIFY(autoRandom->isChecked());
}

void TestEndToEnd::commandFollowedByAnotherLine() {
    auto *autoRandom = m_window->findChild<QCheckBox *>("chkRandom");
    for (const bool on : {true, false}) {
        m_room->sayAsUser(on ? "ar" : "xar");
        // Well within one poll of the scanner, which reads only the last line.
        QTest::qWait(80);
        m_room->say("Someone Else", "lol");
        QTRY_COMPARE_WITH_TIMEOUT(autoRandom->isChecked(), on, 3000);
    }
}

void TestEndToEnd::chatSendsOff() {
    m_window->findChild<QCheckBox *>("chkChatSend")->setChecked(false);
    const QString before = m_room->transcript();
    QVERIFY(say("ar"));
    QVERIFY(m_window->findChild<QCheckBox *>("chkRandom")->isChecked());
    // Auto random starts a file within a second; its announcement is not typed either.
    QTRY_VERIFY(m_window->session().player().currentPosition() > 0);
    QTest::qWait(1200);
    const QString added = m_room->transcript().mid(before.size());
    QCOMPARE(added.count("<BR>"), 1);
    QVERIFY(added.contains(": ar<!--"));
}

void TestEndToEnd::withoutAWindow() {
    // The real player with no display at all, in a folder of its own (its settings go beside
    // it), finding a room of its own in its runtime folder.
    TestChatRoom room(ChatRoomServer::defaultIdleTimeout, QStringLiteral("aim_chatwnd"));
    room.setUserName(kUser);
    room.setClock([n = 0]() mutable { return QTime(11, 0, 0).addSecs(n++); });
    QTemporaryDir folder;
    const QString program = folder.filePath("zandoramp");
    QVERIFY(QFile::copy(testenv::binaryDir() + "/zandoramp", program));
    QProcess player;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
        environment.remove(QString::fromLatin1(name));
    environment.insert("XDG_RUNTIME_DIR", QFileInfo(room.socketPath()).path());
    player.setProcessEnvironment(environment);
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(program, {"--no-window", "--library", m_music.path(), "--screen-name", kUser});
    QTRY_VERIFY_WITH_TIMEOUT(room.transcript().contains("mp 1.0 Loaded"), 15000);
    // A file that starts after the announcement check is rightly not announced: again.
    const auto played = [&room](const QString &command, const QString &announced) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            room.sayAsUser(command);
            if (QTest::qWaitFor([&] { return room.transcript().contains(announced); }, 5000))
                return true;
        }
        return false;
    };
    QVERIFY(played("r", ", number "));
    room.sayAsUser("p s");
    for (const char *line :
         {"3 files matched that string, Select One.", "3: Asf Author - Asf Title",
          "4: Long Artist - Long Title", "5: Test Artist - Test Title"})
        QTRY_VERIFY_WITH_TIMEOUT(room.transcript().contains(line), 5000);
    // The last entry, which a number alone never reaches, was offered.
    QVERIFY(played("5", "playing Test Title by Test Artist, duration "));
    QVERIFY(room.transcript().contains(", number 5"));
    player.terminate();
    QVERIFY(player.waitForFinished(15000));
    QCOMPARE(player.exitCode(), 0);
    QFile settings(folder.filePath("zandoramp.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray written = settings.readAll();
    QVERIFY(written.startsWith("load2\r\nxdir" + m_music.path().toUtf8() + "\r\n"));
    QVERIFY(written.endsWith(kDesignTemplates));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
