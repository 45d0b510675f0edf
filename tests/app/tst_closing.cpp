#include "app/AppController.h"
#include "app/MainWindow.h"
#include "platform/ExitSignals.h"
#include "platform/QtDialogs.h"
#include "platform/QtFolderDialog.h"
#include "session/Session.h"
#include "session/SettingsStore.h"
#include "support/TestPlatform.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>

namespace {

// A folder whose scan completes, and so waits with events running.
struct Music {
    QTemporaryDir dir;
    Music() {
        QDir(dir.path()).mkdir("Live");
        for (const char *name : {"a.mp3", "Live/b.mp3"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            file.open(QIODevice::WriteOnly);
        }
    }
    QString path() const { return dir.path(); }
};

// The program as main() puts it together, on the test platform: the real signal path included.
struct Program {
    TestPlatform platform;
    AppController controller{platform.platform()};
    ExitSignals exitSignals;
    QSignalSpy finished{&controller, &AppController::finished};
    Program() {
        QObject::connect(&exitSignals, &ExitSignals::exitRequested, &controller,
                         &AppController::closeMainWindow);
    }
    MainWindow *window() const { return controller.mainWindow(); }
    void click(const char *name) const {
        auto *widget = window()->findChild<QWidget *>(QString::fromLatin1(name));
        QTest::mouseClick(widget, Qt::LeftButton);
    }
};

// How the test closes the program while the window waits.
enum class Close { Sigterm, RedCross, ClearSettings };

void closeNow(Program &program, Close how) {
    switch (how) {
    case Close::Sigterm:
        ::raise(SIGTERM);
        break;
    case Close::RedCross:
        program.click("Label7");
        break;
    case Close::ClearSettings:
        program.platform.dialogs.okCancelAnswer = true;
        program.click("Label6");
        break;
    }
}

} // namespace

class TestClosing : public QObject {
    Q_OBJECT
private slots:
    void closeDuringTheScanWait_data();
    void closeDuringTheScanWait();
    void sigtermWhileABoxIsOpen_data();
    void sigtermWhileABoxIsOpen();
    void unsavedSettings_data();
    void unsavedSettings();
    void longLinesSurviveWhole();
    void cancelledLogoutKeepsThePlayer();
};

void TestClosing::closeDuringTheScanWait_data() {
    QTest::addColumn<bool>("atStart"); // the start-up scan, or Add Files from the options menu
    QTest::addColumn<Close>("how");
    QTest::newRow("start-up scan, SIGTERM") << true << Close::Sigterm;
    QTest::newRow("start-up scan, Clear Settings") << true << Close::ClearSettings;
    QTest::newRow("Add Files, red cross") << false << Close::RedCross;
    QTest::newRow("Add Files, SIGTERM") << false << Close::Sigterm;
    QTest::newRow("Add Files, Clear Settings") << false << Close::ClearSettings;
}

void TestClosing::closeDuringTheScanWait() {
    QFETCH(bool, atStart);
    QFETCH(Close, how);
    Music music;
    Program program;
    if (atStart)
        program.platform.writeSettings("load1\r\nxdir" + QFile::encodeName(music.path()) + "\r\n");
    // The only event loop that runs within the next 550 ms is the scan's wait.
    QTimer::singleShot(150, [&] { closeNow(program, how); });
    program.controller.start();
    QPointer<MainWindow> first = program.window();
    if (!atStart) {
        program.platform.folders.answer = music.path();
        program.platform.menus.choose = "mnuAdd";
        program.click("Command1");
    }
    QTRY_VERIFY(first.isNull());
    // The close sequence ran once: it removes the tray icon once.
    QCOMPARE(program.platform.tray.calls.count("remove"), 1);

    if (how == Close::ClearSettings) {
        QCOMPARE(program.platform.readSettings(), QByteArray("<missing>"));
        QVERIFY(program.window());
        QCOMPARE(program.window()->session().settings().store().entries(), QStringList{"load2"});
        QCOMPARE(program.finished.size(), 0);
        program.window()->close();
        QTRY_COMPARE(program.finished.size(), 1);
        QCOMPARE(program.platform.readSettings(), "load2\r\n" + kDesignTemplates);
        return;
    }
    QTRY_COMPARE(program.finished.size(), 1);
    QCOMPARE(program.finished.first().first().toInt(), 0);
    QCOMPARE(program.platform.readSettings(),
             "load2\r\nxdir" + QFile::encodeName(music.path()) + "\r\n" + kDesignTemplates);
}

void TestClosing::sigtermWhileABoxIsOpen_data() {
    QTest::addColumn<QString>("opener");
    QTest::newRow("Clear Settings question") << "Label6";
    QTest::newRow("commands help") << "chameleonButton6";
    QTest::newRow("screen name") << "labSN";
    QTest::newRow("folder dialog") << "Command1";
}

// Real boxes: the desktop's close must end them rather than wait for a user who is not there.
void TestClosing::sigtermWhileABoxIsOpen() {
    QFETCH(QString, opener);
    Program program;
    QtDialogs dialogs;
    QtFolderDialog folders;
    program.platform.platform().dialogs = &dialogs;
    program.platform.platform().folderDialog = &folders;
    program.platform.menus.choose = "mnuAdd";
    program.controller.start();
    QPointer<MainWindow> w = program.window();

    QTimer::singleShot(300, [] { ::raise(SIGTERM); });
    program.click(opener.toLatin1().constData());
    QTRY_VERIFY(w.isNull());
    QTRY_COMPARE(program.finished.size(), 1);
    // Dismissed as by Cancel: no restart, no new name, no folder.
    QCOMPARE(program.platform.readSettings(), "load2\r\n" + kDesignTemplates);
    QVERIFY(!program.window());
}

void TestClosing::unsavedSettings_data() {
    QTest::addColumn<Close>("how");
    QTest::addColumn<int>("boxes");
    QTest::newRow("the user's close tells the user") << Close::RedCross << 1;
    QTest::newRow("the system's close only tells stderr") << Close::Sigterm << 0;
    // The question, the unsaved settings, the file that stays, the unsaved settings at the end.
    QTest::newRow("Clear Settings keeps the old window") << Close::ClearSettings << 4;
}

void TestClosing::unsavedSettings() {
    QFETCH(Close, how);
    QFETCH(int, boxes);
    Program program;
    // A folder in the settings file's place can be neither written nor deleted.
    QVERIFY(QDir(program.platform.programFolder.path()).mkpath("zandoramp.ini/x"));
    program.controller.start();
    MainWindow *first = program.window();
    closeNow(program, how);
    if (how == Close::ClearSettings) {
        QTRY_VERIFY(program.platform.dialogs.shown.last().contains("could not delete"));
        QCOMPARE(program.window(), first);
        program.click("Label7");
    }
    QTRY_COMPARE(program.finished.size(), 1);
    QCOMPARE(program.finished.first().first().toInt(), 1);
    QCOMPARE(program.platform.dialogs.shown.size(), boxes);
}

// A hand-edited line of megabytes and a template longer than a text box's usual limit.
void TestClosing::longLinesSurviveWhole() {
    const QByteArray huge = "note" + QByteArray(5'000'000, 'n');
    const QByteArray longTemplate = "playing %s " + QByteArray(100'000, 't');
    Program program;
    program.platform.writeSettings(huge + "\r\ncspl" + longTemplate + "\r\n");
    program.controller.start();
    QPointer<MainWindow> w = program.window();
    QCOMPARE(w->findChild<QLineEdit *>("txtPlay")->text().toLatin1(), longTemplate);
    w->close();
    QTRY_VERIFY(w.isNull());
    QCOMPARE(program.platform.readSettings(),
             huge + "\r\nload2\r\ncspl" + longTemplate + "\r\ncsst\r\ncspa\r\ncsff\r\ncsfr\r\n");
}

void TestClosing::cancelledLogoutKeepsThePlayer() {
    Program program;
    program.controller.start();
    MainWindow *w = program.window();
    w->findChild<QLineEdit *>("txtStop")->setText("gone quiet");
    // The session manager asks for the data to be saved; another program cancels the logout.
    program.controller.commitSessionData();
    QCOMPARE(program.platform.readSettings(),
             "load2\r\n" + QByteArray(kDesignTemplates).replace("Media Stopped", "gone quiet"));
    QVERIFY(program.window() == w && w->isVisible());
    // The session ends in the turn in which a selection asked for the library menu: no menu.
    w->AddIt("a.mp3", "/m/a.mp3");
    auto *list = w->findChild<QListView *>("lstSong");
    list->setCurrentIndex(list->model()->index(0, 0));
    program.controller.closeMainWindow();
    QTRY_COMPARE(program.finished.size(), 1);
    QCOMPARE(program.platform.menus.shown, QStringList{});
}

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
