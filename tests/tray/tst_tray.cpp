#include "about/AboutWindow.h"
#include "app/AppController.h"
#include "app/MainWindow.h"
#include "commands/MultiPicker.h"
#include "library/Library.h"
#include "platform/QtPopupMenus.h"
#include "session/Session.h"
#include "session/SettingsStore.h"
#include "support/TestPlatform.h"
#include "tray/MenuForm.h"
#include "tray/TrayControl.h"
#include "tray/TrayNotice.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

// A main window on the test platform, its load sequence run, the notice's ticks shortened.
struct Fixture {
    TestPlatform platform;
    QPointer<MainWindow> w;

    explicit Fixture(const QByteArray &settings = {}) {
        if (!settings.isEmpty())
            platform.writeSettings(settings);
        w = new MainWindow(platform.platform());
        w->tray().setNoticeTickMs(40);
        w->runLoadSequence();
    }
    ~Fixture() {
        if (w)
            w->close();
    }
    QAction *item(const char *name) const { return w->frmx()->item(QString::fromLatin1(name)); }
    QCheckBox *box(const char *name) const {
        return w->findChild<QCheckBox *>(QString::fromLatin1(name));
    }
};

} // namespace

class TestTray : public QObject {
    Q_OBJECT
private slots:
    void theNotice_data();
    void theNotice();
    void checkMarksMirrorTheSwitches_data();
    void checkMarksMirrorTheSwitches();
    void onlyTheLeftReleaseOpensTheMenu_data();
    void onlyTheLeftReleaseOpensTheMenu();
    void theTrayMenuDoesNotWait();
    void showAndUnload();
    void itemsWithoutActionChangeNothing();
    void commandsHelpFromButtonAndMenu();
    void creditsDisableTheWindow_data();
    void creditsDisableTheWindow();
};

void TestTray::theNotice_data() {
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("closedByUser");
    QTest::addColumn<QString>("shtr");
    QTest::newRow("closes itself, unchecked") << false << false << "";
    QTest::newRow("closes itself, checked") << true << false << "0";
    QTest::newRow("closed by the user, checked") << true << true << "0";
}

void TestTray::theNotice() {
    QFETCH(bool, checked);
    QFETCH(bool, closedByUser);
    QFETCH(QString, shtr);
    Fixture f;
    QElapsedTimer shown;
    shown.start();
    f.w->chameleonButton7_Click();
    QPointer<TrayNotice> notice = f.w->tray().notice();
    QVERIFY(notice && notice->isVisible());
    QCOMPARE(notice->windowTitle(), QStringLiteral("Tray Added"));
    QCOMPARE(notice->Label2()->text(), QStringLiteral("trevik amp is now in the tray, you can "
                                                      "access commands by clicking on the icon "
                                                      "in the tray."));
    QCOMPARE(notice->Check1()->text(), QStringLiteral("Dont show this again"));
    QVERIFY(!f.w->isVisible());
    notice->Check1()->setChecked(checked);
    if (closedByUser)
        notice->close();
    QTRY_VERIFY(notice.isNull());
    // Two ticks: it never closes itself at the first.
    if (!closedByUser)
        QVERIFY(shown.elapsed() >= 80);
    QCOMPARE(f.w->GetSetting("shtr"), shtr);

    f.w->tray().showWindow();
    f.w->chameleonButton7_Click();
    QCOMPARE(f.w->tray().notice() != nullptr, shtr.isEmpty());
}

void TestTray::checkMarksMirrorTheSwitches_data() {
    QTest::addColumn<bool>("scan");
    QTest::addColumn<bool>("sends");
    QTest::addColumn<bool>("autoRandom");
    QTest::newRow("as designed") << true << true << false;
    QTest::newRow("scan off, auto random on") << false << true << true;
    QTest::newRow("sends off") << true << false << false;
}

void TestTray::checkMarksMirrorTheSwitches() {
    QFETCH(bool, scan);
    QFETCH(bool, sends);
    QFETCH(bool, autoRandom);
    Fixture f("shtr0\r\n");
    f.box("chkCs")->setChecked(scan);
    f.w->chkCs_Click();
    f.box("chkChatSend")->setChecked(sends);
    f.box("chkRandom")->setChecked(autoRandom);
    f.w->chameleonButton7_Click();
    const QList<bool> expected{scan, sends, autoRandom};
    const char *marks[] = {"ecs", "ecs2", "tauto"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(f.item(marks[i])->isChecked(), expected[i]);
        // Choosing one changes nothing, its own mark included.
        f.item(marks[i])->trigger();
        QCOMPARE(f.item(marks[i])->isChecked(), expected[i]);
    }
    QCOMPARE(f.box("chkCs")->isChecked(), scan);
    QCOMPARE(f.box("chkChatSend")->isChecked(), sends);
    QCOMPARE(f.box("chkRandom")->isChecked(), autoRandom);
}

void TestTray::onlyTheLeftReleaseOpensTheMenu_data() {
    QTest::addColumn<int>("message");
    QTest::addColumn<bool>("atPointer");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("windowBack");
    const QStringList none;
    QTest::newRow("moved") << 512 << true << none << false;
    QTest::newRow("left pressed") << 513 << true << none << false;
    // Opened without waiting: the report may be a tray host's call, waiting for its answer.
    QTest::newRow("left released") << 514 << true << QStringList{"trayC (open)"} << false;
    QTest::newRow("left double click") << 515 << true << none << false;
    QTest::newRow("right released") << 517 << true << none << false;
    // The tray host shows the menu beside the icon; the click brings the window back.
    QTest::newRow("left released, menus not at the pointer") << 514 << false << none << true;
    QTest::newRow("right released, menus not at the pointer") << 517 << false << none << false;
}

void TestTray::onlyTheLeftReleaseOpensTheMenu() {
    QFETCH(int, message);
    QFETCH(bool, atPointer);
    QFETCH(QStringList, shown);
    QFETCH(bool, windowBack);
    Fixture f("shtr0\r\n");
    f.platform.tray.atPointer = atPointer;
    f.w->chameleonButton7_Click();
    // The icon carries the tray menu, for the hosts that show it themselves.
    QCOMPARE(f.platform.tray.menu, f.w->frmx()->trayC());
    f.platform.menus.shown.clear();
    f.platform.tray.pointer(message);
    QCOMPARE(f.platform.menus.shown, shown);
    QCOMPARE(f.w->isVisible(), windowBack);
}

void TestTray::theTrayMenuDoesNotWait() {
    Fixture f("shtr0\r\n");
    QtPopupMenus menus;
    f.platform.platform().popupMenus = &menus;
    f.w->chameleonButton7_Click();
    QMenu *menu = f.w->frmx()->trayC();
    // A menu that waited for the user would meet this close inside the call, and be shut.
    QTimer::singleShot(0, menu, &QMenu::close);
    f.platform.tray.pointer(514);
    QVERIFY(menu->isVisible());
    f.item("tshow")->trigger();
    QVERIFY(f.w->isVisible());
}

void TestTray::showAndUnload() {
    TestPlatform platform;
    platform.writeSettings("shtr0\r\n");
    {
        AppController controller(platform.platform());
        QSignalSpy finished(&controller, &AppController::finished);
        controller.start();
        QPointer<MainWindow> w = controller.mainWindow();
        w->chameleonButton7_Click();
        QVERIFY(!w->isVisible());
        platform.menus.choose = "tshow";
        platform.tray.pointer(514);
        QVERIFY(w->isVisible());
        QCOMPARE(w->GetSetting("tray"), QStringLiteral("0"));
        QCOMPARE(platform.tray.calls.last(), QStringLiteral("remove"));

        w->chameleonButton7_Click();
        platform.menus.choose = "mUnload";
        platform.tray.pointer(514);
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(platform.readSettings().contains("tray1\r\n"));
    }
    // The next start, on the same program folder, goes straight to the tray.
    platform.tray.calls.clear();
    AppController again(platform.platform());
    again.start();
    QVERIFY(!again.mainWindow()->isVisible());
    QCOMPARE(platform.tray.calls, QStringList{"add:zandor amp 4.0"});
    again.mainWindow()->close();
}

void TestTray::itemsWithoutActionChangeNothing() {
    Fixture f("shtr0\r\n");
    f.w->AddIt("a.mp3", "/m");
    f.w->chameleonButton7_Click();
    const QStringList settings = f.w->session().settings().store().entries();
    const QStringList engineCalls = f.platform.lastEngine()->calls;
    for (const char *name : {"mnuRem", "mnuDel", "mnuStop", "mnuPause", "addfile", "tplay",
                             "playrf", "tstop", "tpause", "tre", "werrwe"}) {
        f.item(name)->trigger();
        QCOMPARE(f.w->session().settings().store().entries(), settings);
        QCOMPARE(f.platform.lastEngine()->calls, engineCalls);
        QCOMPARE(f.w->session().songs().count(), 1);
        QVERIFY(!f.w->isVisible());
    }
    QVERIFY(f.platform.dialogs.shown.isEmpty());
    QVERIFY(f.platform.folders.prompts.isEmpty());
}

void TestTray::commandsHelpFromButtonAndMenu() {
    Fixture f;
    f.w->findChild<QPushButton *>("chameleonButton6")->click();
    f.item("mnuCmds")->trigger();
    QCOMPARE(f.platform.dialogs.shown.size(), 2);
    QCOMPARE(f.platform.dialogs.shown.at(0), f.platform.dialogs.shown.at(1));
    const QString box = f.platform.dialogs.shown.at(0);
    QVERIFY(box.startsWith("information|zandor amp|p file (plays a file)\r\n"));
    QVERIFY(box.endsWith("\r\nxar (disables auto random)"));
    QCOMPARE(box.count("\r\n"), 9);
}

void TestTray::creditsDisableTheWindow_data() {
    QTest::addColumn<bool>("byCloseButton");
    QTest::newRow("Close") << true;
    QTest::newRow("the frame's close box") << false;
}

void TestTray::creditsDisableTheWindow() {
    QFETCH(bool, byCloseButton);
    Fixture f;
    // A picker (of no match) is open when the credits window opens.
    f.w->session().setScreenName("me");
    QString who = "me", what = "p song", when = "{1:00}";
    f.w->chat1_aimchatscan(who, what, when);
    f.item("mnuCredits")->trigger();
    QPointer<AboutWindow> about = f.w->credits();
    QVERIFY(about && about->isVisible());
    QCOMPARE(about->windowTitle(), QStringLiteral("Credits"));
    QVERIFY(about->findChild<QLabel *>("Label2")->text().startsWith("Programming:"));
    QVERIFY(about->findChild<QLabel *>("Label3")->text().startsWith("Ideas:"));
    QVERIFY(!f.w->isEnabled());
    QVERIFY(about->isEnabled());
    // A click on the window does nothing; a chat command is still obeyed.
    QTest::mouseClick(f.w->findChild<QWidget *>("chkRandom"), Qt::LeftButton);
    QVERIFY(!f.box("chkRandom")->isChecked());
    what = "ar";
    f.w->chat1_aimchatscan(who, what, when);
    QVERIFY(f.box("chkRandom")->isChecked());
    // The picker stays usable; both windows are placed over the main window, not inside it.
    QPointer<MultiPicker> picker = f.w->picker();
    QVERIFY(picker && picker->isEnabled());
    for (QWidget *window : {static_cast<QWidget *>(about), static_cast<QWidget *>(picker)})
        QCOMPARE(window->windowHandle()->transientParent(), f.w->windowHandle());

    if (byCloseButton)
        about->Command1()->click();
    else
        about->close();
    QTRY_VERIFY(about.isNull());
    QVERIFY(f.w->isEnabled());
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
