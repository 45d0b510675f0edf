#include "app/AppController.h"
#include "app/MainWindow.h"
#include "library/Library.h"
#include "session/Session.h"
#include "support/TestPlatform.h"
#include "tray/MenuForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Notes whether the progress window frmAdd was ever visible while it runs.
struct ProgressWatch {
    bool shown = false;
    QTimer timer;
    ProgressWatch() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *top : QApplication::topLevelWidgets())
                shown |= top->objectName() == "frmAdd" && top->isVisible();
        });
        timer.start(10);
    }
};

void touch(const QString &path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestAddFiles : public QObject {
    Q_OBJECT
private slots:
    void addFilesFromTheOptionsMenu();
    void cancelledDialogDoesNothing();
    void rememberedFolderIsScannedAtStart();
    void aFullLibraryIsShown();
    void allFormats();
};

void TestAddFiles::addFilesFromTheOptionsMenu() {
    QTemporaryDir music;
    touch(music.filePath("b.mp3"));
    touch(music.filePath("a.WMA"));
    touch(music.filePath("notes.txt"));
    QVERIFY(QDir(music.path()).mkdir("Live"));
    touch(music.filePath("Live/x.asf"));

    TestPlatform platform;
    platform.tags.add(music.filePath("b.mp3"), "Band", "Bee", 1000, 1000);
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    platform.folders.answer = music.path();
    platform.menus.choose = "mnuAdd";
    ProgressWatch progress;
    w->findChild<QPushButton *>("Command1")->click();
    QVERIFY(progress.shown);

    QCOMPARE(platform.folders.prompts, QStringList{"Please select a folder."});
    QCOMPARE(w->session().songs().count(), 3);
    QCOMPARE(w->session().songs().displayLine(0), QStringLiteral("a.WMA"));
    QCOMPARE(w->session().songs().displayLine(1), QStringLiteral("Band - Bee"));
    QCOMPARE(w->session().songs().pathLine(2), "x.asf|" + music.filePath("Live/x.asf"));
    QCOMPARE(w->GetSetting("xdir"), music.path());
    w->close();
    QTRY_VERIFY(w.isNull());
    QVERIFY(platform.readSettings().contains("xdir" + music.path().toUtf8() + "\r\n"));
}

void TestAddFiles::cancelledDialogDoesNothing() {
    TestPlatform platform;
    platform.writeSettings("xdir/earlier/folder\r\n");
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    ProgressWatch progress;
    platform.folders.answer.clear();
    w->chameleonButton2_Click();
    QTest::qWait(100);
    QVERIFY(!progress.shown);
    QCOMPARE(w->session().songs().count(), 0);
    QCOMPARE(w->GetSetting("xdir"), QStringLiteral("/earlier/folder"));
    w->close();
}

void TestAddFiles::rememberedFolderIsScannedAtStart() {
    QTemporaryDir music;
    touch(music.filePath("song.mp3"));
    TestPlatform platform;
    platform.tags.add(music.filePath("song.mp3"), "Band", "Bee", 1000, 1000);
    platform.writeSettings("xdir" + music.path().toUtf8() + "\r\n");
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    QCOMPARE(w->session().songs().count(), 1);
    QCOMPARE(w->session().songs().fullPath(0), music.filePath("song.mp3"));
    // A folder without subfolders gets its tags all the same.
    QCOMPARE(w->session().songs().displayLine(0), "Band - Bee");
    w->close();
}

void TestAddFiles::aFullLibraryIsShown() {
    TestPlatform platform;
    QPointer<MainWindow> w = new MainWindow(platform.platform());
    w->runLoadSequence();
    auto *list = w->findChild<QWidget *>("lstSong");
    QVERIFY(list->toolTip().isEmpty());
    w->session().songs().beginBatch();
    for (int i = 0; i < Library::kCapacity; ++i)
        w->AddIt(QStringLiteral("%1.mp3").arg(i, 6, 10, QLatin1Char('0')), "/m");
    w->session().songs().endBatch();
    QVERIFY(list->toolTip().isEmpty());
    w->AddIt("one too many.mp3", "/m");
    QCOMPARE(w->session().songs().count(), Library::kCapacity);
    QVERIFY(list->toolTip().contains("full"));
    QVERIFY(list->toolTip().contains("32767"));
    w->close();
}

void TestAddFiles::allFormats() {
    QTemporaryDir music;
    touch(music.filePath("a.mp3"));
    touch(music.filePath("b.flac"));
    TestPlatform platform;
    platform.writeSettings("xdir" + music.path().toUtf8() + "\r\n");
    const auto start = [&platform] {
        QPointer<MainWindow> w = new MainWindow(platform.platform());
        w->runLoadSequence();
        return w;
    };
    QPointer<MainWindow> w = start();
    QCOMPARE(w->session().songs().count(), 1);
    // Switched on in the options menu: the remembered folder is scanned again and takes them.
    platform.menus.choose = "mnuAllFormats";
    w->findChild<QPushButton *>("Command1")->click();
    QCOMPARE(w->session().songs().count(), 2);
    QCOMPARE(w->session().songs().fileName(1), "b.flac");
    w->close();
    QTRY_VERIFY(w.isNull());
    QVERIFY(platform.readSettings().contains("allf1\r\n"));

    // Remembered; switched off, this run's library stays and the next start leaves them out.
    w = start();
    QCOMPARE(w->session().songs().count(), 2);
    QVERIFY(w->frmx()->item("mnuAllFormats")->isChecked());
    w->findChild<QPushButton *>("Command1")->click();
    QCOMPARE(w->session().songs().count(), 2);
    w->close();
    QTRY_VERIFY(w.isNull());
    QVERIFY(platform.readSettings().contains("allf0\r\n"));
    w = start();
    QCOMPARE(w->session().songs().count(), 1);
    w->close();
    QTRY_VERIFY(w.isNull());

    // --all-formats switches it on from the start, and into the file.
    AppController controller(platform.platform());
    controller.setAllFormats(true);
    controller.start();
    w = controller.mainWindow();
    QCOMPARE(w->session().songs().count(), 2);
    QCOMPARE(w->GetSetting("allf"), "1");
    w->close();
    QTRY_VERIFY(w.isNull());
}

QTEST_MAIN(TestAddFiles)
#include "tst_addfiles.moc"
