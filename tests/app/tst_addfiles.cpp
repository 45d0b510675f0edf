#include "app/MainWindow.h"
#include "library/Library.h"
#include "session/Session.h"
#include "support/TestPlatform.h"

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

QTEST_MAIN(TestAddFiles)
#include "tst_addfiles.moc"
