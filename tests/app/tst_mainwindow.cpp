#include "app/AppController.h"
#include "app/MainWindow.h"
#include "chat/ChatScanner.h"
#include "library/Library.h"
#include "platform/ExitSignals.h"
#include "session/Session.h"
#include "session/SettingsStore.h"
#include "support/TestPlatform.h"
#include "tray/MenuForm.h"
#include "tray/TrayControl.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

// A main window on the test platform, its load sequence run; closed (and so saved) at the end.
struct Window {
    explicit Window(TestPlatform &platform) : w(new MainWindow(platform.platform())) {
        w->runLoadSequence();
    }
    ~Window() {
        if (w)
            w->close();
    }
    MainWindow *operator->() const { return w; }
    template <typename T> T *find(const char *name) const {
        return w->findChild<T *>(QString::fromLatin1(name));
    }
    QPointer<MainWindow> w;
};

void moveOver(QWidget *strip, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent event(QEvent::MouseMove, pos, strip->mapToGlobal(pos), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(strip, &event);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void colours();
    void firstStartEver();
    void startCount_data();
    void startCount();
    void templatesRestoredOnlyWithCspl_data();
    void templatesRestoredOnlyWithCspl();
    void trayAtStart_data();
    void trayAtStart();
    void announcementComesBeforeLibraryAndWindow();
    void screenName_data();
    void screenName();
    void chatScanSwitch();
    void chatSendsPanel();
    void oldChatSendsButton();
    void closeSpotWritesSettings();
    void unknownLinesSurvive();
    void unwritableSettingsAreReported();
    void dragging_data();
    void dragging();
    void clearSettingsCancel();
    void clearSettingsOk();
    void sigtermRunsTheCloseSequence();
};

void TestMainWindow::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twipsRect");
    QTest::addColumn<QString>("caption");

    auto row = [](const char *name, int l, int t, int w, int h, const char *caption = "") {
        QTest::newRow(name) << QString::fromLatin1(name) << QRect(l, t, w, h)
                            << QString::fromLatin1(caption);
    };
    row("Label1", 120, 120, 1485, 255, "Your Screen  Name:");
    row("labSN", 1680, 120, 1335, 255, "Click To Set");
    row("Label6", 3120, 120, 1095, 255, "Clear Settings");
    row("Label7", 4440, 120, 255, 255);
    row("lstSong", 240, 360, 2055, 870);
    row("Label2", 2400, 360, 735, 255, "Playing:");
    row("txtSong", 3000, 360, 1575, 375, "None...");
    row("Label3", 2400, 720, 735, 255, "Duration:");
    row("txtDur", 3120, 720, 735, 255, "0:00");
    row("Label4", 2400, 960, 735, 255, "Number:");
    row("txtNum", 3120, 960, 735, 255, "None...");
    row("Label5", 2400, 1200, 735, 255, "Size:");
    row("Label9", 3240, 1200, 1575, 255, "0 KB");
    row("chkRandom", 2400, 1200, 1335, 210, "Auto Random");
    row("Picture2", 3720, 1080, 855, 255);
    row("txtFind", 240, 1320, 1215, 225, "Song");
    row("picFind", 1560, 1320, 675, 225);
    row("chkCs", 2400, 1440, 1215, 210, "Chat Scan");
    row("chkChatSend", 3480, 1440, 1215, 210, "Chat Sends");
    row("wmp", 0, 1680, 4800, 615);
    row("Label8", 0, 0, 4815, 135);
    row("Label10", 0, 0, 135, 1815);
    row("Label11", 0, 1680, 4815, 135);
    row("Label12", 4680, 0, 255, 1815);
    row("Frame1", 0, 2280, 4815, 2295);
    row("Command2", 120, 120, 615, 255, "Hide");
    row("txtPlay", 120, 480, 4455, 285, "playing %s by %a, duration %d, number %n, bitrate %b");
    row("txtStop", 120, 840, 4455, 285, "Media Stopped");
    row("txtPause", 120, 1200, 4455, 285, "Media Paused");
    row("txtFor", 120, 1560, 4455, 285, "fast forwarding, use play to resume normal playing...");
    row("txtRev", 120, 1920, 4455, 285, "rast reversing, use play to resume normal playing...");
    row("chameleonButton2", 4920, 0, 1095, 255, "Add Files");
    row("chameleonButton3", 4920, 240, 1095, 255, "Chat Sends");
    row("chameleonButton6", 4920, 480, 1095, 255, "Commands");
    row("chameleonButton7", 4920, 720, 1095, 255, "Send to tray");
    row("chameleonButton5", 4920, 960, 1095, 255, "Credits");
}

void TestMainWindow::layout() {
    QFETCH(QString, name);
    QFETCH(QRect, twipsRect);
    QFETCH(QString, caption);
    TestPlatform platform;
    Window window(platform);
    QCOMPARE(window->size(), QSize(320, 150));
    QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    auto *widget = window->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    const QRect expected(twipsRect.x() / 15, twipsRect.y() / 15, twipsRect.width() / 15,
                         twipsRect.height() / 15);
    QCOMPARE(widget->geometry(), expected);
    QString text;
    if (auto *label = qobject_cast<QLabel *>(widget))
        text = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        text = button->text();
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        text = edit->text();
    QCOMPARE(text, caption);
    // Each caption fits its box; the layout counts on Arial's widths (Liberation Sans on Debian).
    const QStyle *style = widget->style();
    const int mark = qobject_cast<QCheckBox *>(widget)
                         ? style->pixelMetric(QStyle::PM_IndicatorWidth) +
                               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing)
                         : 0;
    if (mark || qobject_cast<QLabel *>(widget))
        QVERIFY(widget->fontMetrics().horizontalAdvance(caption) + mark <= widget->width());
}

void TestMainWindow::colours() {
    TestPlatform platform;
    Window window(platform);
    const QColor labelColour(61, 137, 188);
    for (const char *name : {"Label1", "Label2", "txtSong", "Label3", "txtDur", "txtNum"})
        QCOMPARE(window.find<QLabel>(name)->palette().color(QPalette::WindowText), labelColour);
    for (const char *name : {"labSN", "Label6"}) {
        auto *link = window.find<QLabel>(name);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QVERIFY(link->font().underline());
    }
    for (const char *name : {"lstSong", "txtFind"}) {
        auto *widget = window.find<QWidget>(name);
        QCOMPARE(widget->palette().color(QPalette::Base), QColor(191, 209, 223));
        QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
    }
    QCOMPARE(window.find<QLabel>("labSN")->font().pointSizeF(), 6.75);
    // The out-of-sight controls exist but lie outside the window.
    for (const char *name : {"PicMain", "Frame2", "lstFiles", "lstSettings", "txtOldSong", "cmdOff",
                             "File1", "Dir1", "lstDir", "Picture1"}) {
        auto *widget = window.find<QWidget>(name);
        QVERIFY2(widget, name);
        const QRect onWindow(widget->mapTo(window.w, QPoint(0, 0)), widget->size());
        QVERIFY2(!onWindow.intersects(QRect(0, 0, 320, 304)), name);
    }
    QCOMPARE(window.find<QTimer>("Timer1")->interval(), 500);
    QCOMPARE(window.find<QTimer>("tmrRandom")->interval(), 1000);
    QVERIFY(window.find<QTimer>("tmrRandom")->isActive());
    QVERIFY(!window.find<QTimer>("tmrMenu")->isActive());
    QVERIFY(!window.find<QTimer>("tmrDie")->isActive());
}

void TestMainWindow::firstStartEver() {
    TestPlatform platform;
    {
        Window window(platform);
        QCOMPARE(window->session().settings().store().entries(), QStringList{"load2"});
        QVERIFY(window->isVisible());
        QCOMPARE(platform.chat.sent.size(), 1);
        QVERIFY(platform.chat.sent.first().contains(
            "<b><u>t</u></b>revik <b><u>a</b></u>mp 1.0 Loaded, [zandoramp.example]"));
        QCOMPARE(platform.readSettings(), QByteArray("<missing>"));
    }
    QCOMPARE(platform.readSettings(), "load2\r\n" + kDesignTemplates);
}

void TestMainWindow::startCount_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("after");
    QTest::newRow("41 becomes 42") << QByteArray("load41\r\n") << "42";
    QTest::newRow("absent counts as 1") << QByteArray("xdir\r\n") << "2";
    QTest::newRow("empty counts as 1") << QByteArray("load\r\n") << "2";
    QTest::newRow("not a number") << QByteArray("loadabc\r\n") << "2";
    QTest::newRow("a number with junk") << QByteArray("load7x\r\n") << "2";
    QTest::newRow("negative") << QByteArray("load-3\r\n") << "2";
    QTest::newRow("last entry counts") << QByteArray("load5\r\nload9\r\n") << "10";
}

void TestMainWindow::startCount() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, after);
    TestPlatform platform;
    platform.writeSettings(stored);
    Window window(platform);
    QCOMPARE(window->GetSetting("load"), after);
    QCOMPARE(
        window->session().settings().store().entries().filter(QRegularExpression("^load")).size(),
        1);
}

void TestMainWindow::templatesRestoredOnlyWithCspl_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("play");
    QTest::addColumn<QString>("stop");
    QTest::newRow("cspl empty keeps the design texts") << QByteArray("cspl\r\ncsstcustom stop\r\n")
                                                       << "playing %s by %a, duration %d, number "
                                                          "%n, bitrate %b"
                                                       << "Media Stopped";
    QTest::newRow("cspl set, csst absent empties txtStop")
        << QByteArray("csplnow %s\r\n") << "now %s"
        << "";
    QTest::newRow("all set") << QByteArray("csplnow %s\r\ncsstgone\r\n") << "now %s"
                             << "gone";
}

void TestMainWindow::templatesRestoredOnlyWithCspl() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, play);
    QFETCH(QString, stop);
    TestPlatform platform;
    platform.writeSettings(stored);
    Window window(platform);
    QCOMPARE(window.find<QLineEdit>("txtPlay")->text(), play);
    QCOMPARE(window.find<QLineEdit>("txtStop")->text(), stop);
}

void TestMainWindow::trayAtStart_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("visible");
    // Whether there is one at the next Send to tray.
    QTest::addColumn<bool>("availableLater");
    QTest::newRow("tray1 hides") << QByteArray("tray1\r\n") << true << false << true;
    QTest::newRow("tray0 shows") << QByteArray("tray0\r\n") << true << true << true;
    QTest::newRow("trailing space shows") << QByteArray("tray1 \r\n") << true << true << true;
    QTest::newRow("absent shows") << QByteArray("") << true << true << true;
    QTest::newRow("no notification area: stays shown")
        << QByteArray("tray1\r\n") << false << true << false;
    QTest::newRow("no notification area, then one starts")
        << QByteArray("tray1\r\n") << false << true << true;
}

void TestMainWindow::trayAtStart() {
    QFETCH(QByteArray, stored);
    QFETCH(bool, trayAvailable);
    QFETCH(bool, visible);
    QFETCH(bool, availableLater);
    TestPlatform platform;
    platform.tray.available = trayAvailable;
    platform.writeSettings(stored);
    Window window(platform);
    QCOMPARE(window->isVisible(), visible);
    // No notice that the player is in the tray unless it is; without a tray, one box, ever.
    QCOMPARE(window->tray().notice() != nullptr, !visible);
    const bool asked = stored.startsWith("tray1\r");
    QCOMPARE(platform.tray.calls.contains("add:zandor amp 4.0"), asked && trayAvailable);
    platform.tray.available = availableLater;
    window->chameleonButton7_Click();
    QCOMPARE(window->isVisible(), !availableLater);
    QCOMPARE(platform.dialogs.shown.size(), trayAvailable ? 0 : 1);
    QCOMPARE(window->tray().notice() != nullptr, availableLater);
}

void TestMainWindow::announcementComesBeforeLibraryAndWindow() {
    // A chat window that notes the state of the main window when the announcement is sent.
    struct WatchingChat : FakeChatWindow {
        std::function<void()> onSend;
        void pressSend() override {
            if (onSend)
                onSend();
            FakeChatWindow::pressSend();
        }
    };
    QTemporaryDir music;
    for (const char *name : {"a.mp3", "b.wma"}) {
        QFile file(music.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(music.path()).mkdir("sub"));

    TestPlatform platform;
    WatchingChat chat;
    platform.platform().chatWindow = &chat;
    platform.writeSettings("xdir" + music.path().toUtf8() + "\r\n");
    MainWindow *w = new MainWindow(platform.platform());
    int libraryAtSend = -1;
    bool visibleAtSend = true;
    bool scanningAtSend = false;
    chat.onSend = [&] {
        libraryAtSend = w->session().songs().count();
        visibleAtSend = w->isVisible();
        scanningAtSend = w->session().scanner().chat_tymer()->isActive();
    };
    w->runLoadSequence();
    QCOMPARE(libraryAtSend, 0);
    QVERIFY(!visibleAtSend);
    QVERIFY(scanningAtSend);
    QCOMPARE(w->session().songs().count(), 2);
    QVERIFY(w->isVisible());
    w->close();
}

void TestMainWindow::screenName_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces removed, lower case") << "Bob Smith"
                                                << "bobsmith";
    QTest::newRow("upper case") << "BOB"
                                << "bob";
    QTest::newRow("empty keeps the name") << ""
                                          << "Click To Set";
    QTest::newRow("only spaces keeps the name") << "   "
                                                << "Click To Set";
}

void TestMainWindow::screenName() {
    QFETCH(QString, answer);
    QFETCH(QString, name);
    TestPlatform platform;
    Window window(platform);
    platform.dialogs.inputAnswer = answer;
    window->labSN_Click();
    QCOMPARE(platform.dialogs.shown.last(), QStringLiteral("input||sn"));
    QCOMPARE(window.find<QLabel>("labSN")->text(), name);
}

void TestMainWindow::chatScanSwitch() {
    TestPlatform platform;
    Window window(platform);
    auto *box = window.find<QCheckBox>("chkCs");
    QTimer *scanTimer = window->session().scanner().chat_tymer();
    QVERIFY(box->isChecked());
    QVERIFY(scanTimer->isActive());
    box->click();
    QVERIFY(!scanTimer->isActive());
    platform.chat.say("Other", "said while off");
    box->click();
    QVERIFY(scanTimer->isActive());
    // Switching on again takes what is in the chat now as already seen.
    QCOMPARE(window->session().scanner().fyrsttalk(), platform.chat.html.right(500));
}

void TestMainWindow::chatSendsPanel() {
    TestPlatform platform;
    Window window(platform);
    auto *panel = window.find<QWidget>("Frame1");
    platform.menus.choose = "mnuChatSends";
    window.find<QPushButton>("Command1")->click();
    QCOMPARE(platform.menus.shown, QStringList{"mnuopt"});
    QCOMPARE(window->height(), 4560 / 15);
    QVERIFY(panel->isVisible());
    QVERIFY(window->rect().intersects(panel->geometry()));
    window.find<QPushButton>("Command2")->click();
    QCOMPARE(window->height(), 2250 / 15);
    QVERIFY(!panel->isVisible());
    QVERIFY(!window->rect().intersects(panel->geometry()));
    window.find<QPushButton>("Command1")->click();
    QCOMPARE(window->height(), 4560 / 15);
    QVERIFY(panel->isVisible());
}

void TestMainWindow::oldChatSendsButton() {
    TestPlatform platform;
    Window window(platform);
    auto *button = window.find<QPushButton>("chameleonButton3");
    button->click();
    QCOMPARE(window->height(), 5085 / 15);
    button->click();
    QCOMPARE(window->height(), 2940 / 15);
    button->click();
    QCOMPARE(window->height(), 5085 / 15);
}

void TestMainWindow::closeSpotWritesSettings() {
    TestPlatform platform;
    platform.writeSettings("tray0\r\nload3\r\n");
    Window window(platform);
    window.find<QLineEdit>("txtPause")->setText("on hold");
    QTest::mouseClick(window.find<QWidget>("Label7"), Qt::LeftButton);
    QTRY_VERIFY(window.w.isNull());
    const QByteArray expected =
        "tray0\r\nload4\r\n" + QByteArray(kDesignTemplates).replace("Media Paused", "on hold");
    QCOMPARE(platform.readSettings(), expected);
    QVERIFY(platform.tray.calls.endsWith("remove"));
}

void TestMainWindow::unknownLinesSurvive() {
    TestPlatform platform;
    platform.writeSettings("x\r\nsome other line\r\nload1\r\n\r\nxdir\r\n");
    platform.menus.choose = "mnuNoRepeats";
    Window(platform)->Command1_Click();
    QVERIFY(platform.readSettings().startsWith(
        "x\r\nsome other line\r\nxdir\r\nload2\r\nnrep1\r\ncspl"));
    QVERIFY(Window(platform)->frmx()->item("mnuNoRepeats")->isChecked());
}

void TestMainWindow::unwritableSettingsAreReported() {
    TestPlatform platform;
    platform.platform().programFolder = platform.programFolder.filePath("gone/away");
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    w->close();
    QTRY_VERIFY(w.isNull());
    QCOMPARE(platform.dialogs.shown.size(), 1);
    QVERIFY(platform.dialogs.shown.first().startsWith("warning|"));
    QVERIFY(platform.dialogs.shown.first().contains("gone/away/zandoramp.ini"));
}

void TestMainWindow::dragging_data() {
    QTest::addColumn<bool>("systemMoves");
    QTest::newRow("the window system declines: the program moves it") << false;
    QTest::newRow("the window system moves it") << true;
}

void TestMainWindow::dragging() {
    QFETCH(bool, systemMoves);
    TestPlatform platform;
    platform.mover.accepts = systemMoves;
    Window window(platform);
    window->move(100, 100);
    auto *top = window.find<QWidget>("Label8");
    auto *right = window.find<QWidget>("Label12");
    // Where the window system takes the drags, the program never moves the window itself.
    const auto at = [&](int x, int y) {
        return systemMoves ? QPoint(100, 100) : QPoint(x, y);
    };

    // A drag that begins with the button already held only takes its grab point.
    moveOver(top, QPoint(50, 3), Qt::LeftButton);
    QCOMPARE(window->pos(), QPoint(100, 100));
    moveOver(top, QPoint(60, 5), Qt::LeftButton);
    QCOMPARE(window->pos(), at(110, 102));

    // Plain movement remembers; the left button drags by exactly the pointer's movement.
    moveOver(top, QPoint(10, 4), Qt::NoButton);
    QCOMPARE(window->pos(), at(110, 102));
    moveOver(top, QPoint(30, 2), Qt::LeftButton);
    QCOMPARE(window->pos(), at(130, 100));
    // Any other button state only remembers the point.
    moveOver(top, QPoint(90, 6), Qt::RightButton);
    QCOMPARE(window->pos(), at(130, 100));
    moveOver(top, QPoint(90, 6), Qt::LeftButton | Qt::RightButton);
    QCOMPARE(window->pos(), at(130, 100));
    // The strips share one grab point.
    moveOver(right, QPoint(80, 9), Qt::LeftButton);
    QCOMPARE(window->pos(), at(120, 103));
    // Asked once at the start of each of the three drags.
    QCOMPARE(platform.mover.asked, 3);
}

void TestMainWindow::clearSettingsCancel() {
    TestPlatform platform;
    platform.writeSettings("load5\r\n");
    AppController controller(platform.platform());
    QSignalSpy finished(&controller, &AppController::finished);
    controller.start();
    QPointer<MainWindow> first = controller.mainWindow();
    platform.dialogs.okCancelAnswer = false;
    QTest::mouseClick(first->findChild<QWidget *>("Label6"), Qt::LeftButton);
    QCOMPARE(platform.dialogs.shown.last(),
             QStringLiteral("okcancel|Clear Settings|trevik amp must be restarted to clear "
                            "settings, Would you like to still clear settings?"));
    QTest::qWait(50);
    QCOMPARE(controller.mainWindow(), first.data());
    QCOMPARE(platform.readSettings(), QByteArray("load5\r\n"));
    first->close();
    QTRY_COMPARE(finished.size(), 1);
}

void TestMainWindow::clearSettingsOk() {
    TestPlatform platform;
    platform.writeSettings("load5\r\nxdir/nowhere\r\ncsplcustom\r\n");
    AppController controller(platform.platform());
    QSignalSpy finished(&controller, &AppController::finished);
    controller.start();
    QPointer<MainWindow> first = controller.mainWindow();
    first->findChild<QLabel *>("labSN")->setText("someone");
    platform.dialogs.okCancelAnswer = true;
    first->Label6_Click();
    QTRY_VERIFY(first.isNull());
    MainWindow *second = controller.mainWindow();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    QCOMPARE(second->session().settings().store().entries(), QStringList{"load2"});
    QCOMPARE(second->findChild<QLabel *>("labSN")->text(), QStringLiteral("Click To Set"));
    QCOMPARE(second->findChild<QLineEdit *>("txtPlay")->text(),
             QStringLiteral("playing %s by %a, duration %d, number %n, bitrate %b"));
    QCOMPARE(platform.readSettings(), QByteArray("<missing>"));
    QCOMPARE(finished.size(), 0);
    second->close();
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(platform.readSettings(), "load2\r\n" + kDesignTemplates);
}

void TestMainWindow::sigtermRunsTheCloseSequence() {
    TestPlatform platform;
    AppController controller(platform.platform());
    ExitSignals exitSignals;
    connect(&exitSignals, &ExitSignals::exitRequested, &controller,
            &AppController::closeMainWindow);
    QSignalSpy finished(&controller, &AppController::finished);
    controller.start();
    ::raise(SIGTERM);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(platform.readSettings(), "load2\r\n" + kDesignTemplates);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
