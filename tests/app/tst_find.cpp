#include "app/MainWindow.h"
#include "library/Library.h"
#include "session/Session.h"
#include "support/TestPlatform.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

struct Fixture {
    TestPlatform platform;
    QPointer<MainWindow> w;

    explicit Fixture(const QList<QPair<QString, QString>> &files) {
        w = new MainWindow(platform.platform());
        w->runLoadSequence();
        for (const auto &[file, folder] : files)
            w->AddIt(file, folder);
    }
    ~Fixture() {
        if (w)
            w->close();
    }
    QListView *list() const { return w->findChild<QListView *>("lstSong"); }
    int selected() const {
        const QModelIndexList rows = list()->selectionModel()->selectedIndexes();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    void find(const QString &text) {
        w->findChild<QLineEdit *>("txtFind")->setText(text);
        w->findChild<QPushButton *>("chameleonButton1")->click();
    }
    void clickRow(int row) {
        const QRect rect =
            list()->visualRect(w->session().songs().index(row, Library::DisplayColumn));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

using Files = QList<QPair<QString, QString>>;

} // namespace

class TestFind : public QObject {
    Q_OBJECT
private slots:
    void find_data();
    void find();
    void findOpensNoMenuButTheNextClickDoes();
    void focusAloneOpensNothing();
    void clickingTheSelectedLineAgainOpensTheMenu();
    void playFileFromTheMenu();
};

void TestFind::find_data() {
    QTest::addColumn<Files>("files");
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("after");

    const Files songs{{"a song.mp3", "/M"}, {"songbird.mp3", "/M"}};
    QTest::newRow("empty library") << Files{} << -1 << "Song" << -1;
    QTest::newRow("last match is selected") << songs << -1 << "Song" << 1;
    QTest::newRow("no match keeps the selection") << songs << 0 << "zzz" << 0;
    QTest::newRow("empty text selects the last line") << songs << 0 << "" << 1;
    QTest::newRow("spaces only select the last line") << songs << 0 << "   " << 1;
    QTest::newRow("case and spaces ignored")
        << Files{{"MySong.mp3", "/x"}, {"zz.mp3", "/x"}} << -1 << "my song" << 0;
    const Files folders{{"a.mp3", "/M"}, {"b.mp3", "/Music"}, {"c.mp3", "/Other"}};
    QTest::newRow("folder names match") << folders << -1 << "/m" << 1;
    QTest::newRow("the bar matches every line") << folders << 0 << "|" << 2;
    QTest::newRow("a folder matches all its files") << folders << -1 << "other" << 2;
}

void TestFind::find() {
    QFETCH(Files, files);
    QFETCH(int, before);
    QFETCH(QString, text);
    QFETCH(int, after);
    Fixture f(files);
    if (before >= 0) {
        f.list()->setCurrentIndex(f.w->session().songs().index(before, Library::DisplayColumn));
        QTRY_COMPARE(f.platform.menus.shown.size(), 1); // a selection by hand opens the menu
    }
    f.platform.menus.shown.clear();
    f.find(text);
    QCOMPARE(f.selected(), after);
    // Once the hold is over and all that was queued until then has run, still no menu.
    QTRY_VERIFY(f.w->listMenuArmed());
    QObject marker;
    bool flushed = false;
    QTimer::singleShot(0, &marker, [&] { flushed = true; });
    QTRY_VERIFY(flushed);
    QVERIFY(f.platform.menus.shown.isEmpty());
}

void TestFind::findOpensNoMenuButTheNextClickDoes() {
    Fixture f({{"one.mp3", "/m"}, {"two.mp3", "/m"}, {"three.mp3", "/m"}});
    f.find("t");
    QVERIFY(!f.w->listMenuArmed());
    QVERIFY(f.w->findChild<QTimer *>("tmrMenu")->isActive());
    QTRY_VERIFY(f.w->listMenuArmed());
    QVERIFY(!f.w->findChild<QTimer *>("tmrMenu")->isActive());
    QCOMPARE(f.selected(), 2);
    QVERIFY(f.platform.menus.shown.isEmpty());
    f.clickRow(0);
    QTRY_COMPARE(f.platform.menus.shown, QStringList{"lstClick"});
}

void TestFind::focusAloneOpensNothing() {
    Fixture f({{"one.mp3", "/m"}, {"two.mp3", "/m"}});
    f.w->activateWindow();
    f.list()->setFocus();
    QTest::keyClick(f.list(), Qt::Key_Shift);
    QTest::qWait(50);
    QVERIFY(f.platform.menus.shown.isEmpty());
    // A keyboard move does select, and opens the menu.
    QTest::keyClick(f.list(), Qt::Key_Down);
    QTRY_VERIFY(!f.platform.menus.shown.isEmpty());
}

void TestFind::clickingTheSelectedLineAgainOpensTheMenu() {
    Fixture f({{"one.mp3", "/m"}, {"two.mp3", "/m"}});
    f.clickRow(1);
    QTRY_COMPARE(f.platform.menus.shown.size(), 1);
    f.clickRow(1);
    QTRY_COMPARE(f.platform.menus.shown.size(), 2);
}

void TestFind::playFileFromTheMenu() {
    Fixture f({{"one.mp3", "/m"}, {"two.mp3", "/n"}});
    f.platform.menus.choose = "mnuPlay";
    f.clickRow(1);
    QTRY_COMPARE(f.platform.lastEngine()->openedPath(), QStringLiteral("/n/two.mp3"));
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
