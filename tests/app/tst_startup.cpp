// How the program starts: its command line, a screen name given on it, and where the settings
// file goes.
#include "app/AppController.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/RoomLauncher.h"
#include "app/SettingsFolder.h"
#include "chat/ChatScanner.h"
#include "chatroom/ChatRoom.h"
#include "support/TestChatRoom.h"
#include "support/TestEnv.h"
#include "support/TestPlatform.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

Q_DECLARE_METATYPE(CommandLine::Action)

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void screenNameGivenAtStartIsObeyedAtOnce();
    void roomUserIsTheRoomsOwnName();
    void settingsFolder();
};

void TestStartup::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Action>("action");
    QTest::addColumn<QString>("screenName");
    using A = CommandLine::Action;
    QTest::newRow("nothing") << QStringList{} << A::Run << "";
    QTest::newRow("name folded") << QStringList{"--screen-name", " Bob Smith "} << A::Run
                                 << "bobsmith";
    QTest::newRow("name with =") << QStringList{"--screen-name=BOB"} << A::Run << "bob";
    QTest::newRow("name of spaces") << QStringList{"--screen-name", "  "} << A::Error << "";
    QTest::newRow("name missing") << QStringList{"--screen-name"} << A::Error << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << A::Error << "";
    QTest::newRow("argument") << QStringList{"song.mp3"} << A::Error << "";
    QTest::newRow("help") << QStringList{"-h"} << A::Help << "";
    QTest::newRow("help wins") << QStringList{"--version", "--help"} << A::Help << "";
    QTest::newRow("version") << QStringList{"--version"} << A::Version << "";
    QTest::newRow("library folder") << QStringList{"--library", "."} << A::Run << "";
    QTest::newRow("library not a folder") << QStringList{"--library", "gone/"} << A::Error << "";
    QTest::newRow("Qt's own options")
        << QStringList{"-platform", "offscreen", "-reverse"} << A::Run << "";
}

void TestStartup::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(CommandLine::Action, action);
    QFETCH(QString, screenName);
    const CommandLine options(QStringList{"zandoramp"} + arguments);
    QCOMPARE(options.action(), action);
    QCOMPARE(options.error().isEmpty(), action != CommandLine::Action::Error);
    QCOMPARE(options.screenName(), screenName);
}

void TestStartup::screenNameGivenAtStartIsObeyedAtOnce() {
    TestPlatform platform;
    platform.chat.ownName = "Tester";
    AppController controller(platform.platform());
    controller.setScreenName("tester");
    controller.setLibraryFolder(testenv::mediaDir());
    controller.start();
    MainWindow *first = controller.mainWindow();
    QCOMPARE(first->GetSetting("xdir"), testenv::mediaDir());
    // The greeting is the first line the scan reads; it must not close the name again.
    QVERIFY(platform.chat.html.contains(MainWindow::loadAnnouncement()));
    first->scanner().tick();
    platform.chat.say("Tester", "ar", "12:00:01");
    first->scanner().tick();
    QVERIFY(first->findChild<QCheckBox *>("chkRandom")->isChecked());

    // The name holds for the whole run, so a restart by Clear Settings keeps it.
    platform.dialogs.okCancelAnswer = true;
    QPointer<MainWindow> old = first;
    first->Label6_Click();
    QTRY_VERIFY(old.isNull());
    QCOMPARE(controller.mainWindow()->findChild<QLabel *>("labSN")->text(), "tester");
    QSignalSpy finished(&controller, &AppController::finished);
    controller.mainWindow()->close();
    QTRY_COMPARE(finished.size(), 1);
}

void TestStartup::roomUserIsTheRoomsOwnName() {
    // The player started beside the room, now or earlier, obeys the room's own user.
    TestChatRoom room;
    room.setUserName("Dj Me");
    QCOMPARE(RoomLauncher::roomUserName(room.socketPath()), "Dj Me");
    // No answer (no room, or an older one that refuses the question): the name a new room takes,
    // the login name of the password database, even where the environment claims another.
    const passwd *me = ::getpwuid(::getuid());
    QVERIFY(me);
    const QString expected = QString::fromLocal8Bit(me->pw_name);
    const bool hadUser = qEnvironmentVariableIsSet("USER");
    const QByteArray user = qgetenv("USER");
    qputenv("USER", "not-" + expected.toLocal8Bit());
    const QString roomUser = ChatRoom::loginName();
    const QString playerUser = RoomLauncher::roomUserName(room.socketPath() + ".gone");
    hadUser ? qputenv("USER", user) : qunsetenv("USER");
    QCOMPARE(roomUser, expected);
    QCOMPARE(playerUser, expected);
}

void TestStartup::settingsFolder() {
    QTemporaryDir portable;
    QCOMPARE(SettingsFolder::forProgram(portable.path()), portable.path());
    // Even root, who could write there, keeps its settings out of the packaged files.
    QCOMPARE(SettingsFolder::forProgram("/usr/bin"), SettingsFolder::userFolder());
    QCOMPARE(SettingsFolder::forProgram(portable.filePath("gone")), SettingsFolder::userFolder());
    QVERIFY(QDir(portable.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                .isEmpty());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
