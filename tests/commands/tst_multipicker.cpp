#include "commands/MultiPicker.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

namespace {

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void clickRow(QListWidget *list, int row) {
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class TestMultiPicker : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void window();
    void clickPlaysAndUnloads_data();
    void clickPlaysAndUnloads();
    void dismissPlaysNothing_data();
    void dismissPlaysNothing();
    void appendWhileOpen();
    void emptyListKeepsLabel();
    void enterPlaysOnce();
    void playThatUnloadsThePicker();
};

void TestMultiPicker::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    // Twips / 15.
    QTest::newRow("lstFiles") << "lstFiles" << QRect(0, 0, 217, 210) << "";
    QTest::newRow("Label1") << "Label1" << QRect(8, 216, 153, 25)
                            << "More than one file was found. Please select from the list.";
    QTest::newRow("Command1") << "Command1" << QRect(160, 216, 49, 17) << "Cancel";
}

void TestMultiPicker::layout() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    MultiPicker picker({});
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    auto *control = picker.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &picker);
    QCOMPARE(control->geometry(), geometry);
    QVERIFY(control->isVisible());
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), text);
    if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), text);
    if (auto *list = qobject_cast<QListWidget *>(control)) {
        QVERIFY(!list->isSortingEnabled());
        QCOMPARE(list->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(list->count(), 0);
    }
}

void TestMultiPicker::window() {
    MultiPicker picker({});
    QCOMPARE(picker.objectName(), QStringLiteral("frmMulti"));
    QCOMPARE(picker.windowTitle(), QStringLiteral("Multi Files"));
    QVERIFY(picker.isWindow());
    // Loaded hidden; shown only when asked.
    QVERIFY(!picker.isVisible());
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QCOMPARE(picker.size(), QSize(217, 243));
    QCOMPARE(picker.windowModality(), Qt::NonModal);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void TestMultiPicker::clickPlaysAndUnloads_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("row");

    QTest::newRow("first of three") << QStringList{"b.mp3", "a.mp3", "c.mp3"} << 0;
    QTest::newRow("last of three") << QStringList{"b.mp3", "a.mp3", "c.mp3"} << 2;
    QTest::newRow("only one") << QStringList{"Deep Purple - Smoke"} << 0;
    QTest::newRow("same text twice, second") << QStringList{"x | y.mp3", "song", "x | y.mp3"} << 2;
}

void TestMultiPicker::clickPlaysAndUnloads() {
    QFETCH(QStringList, entries);
    QFETCH(int, row);

    QStringList played;
    QPointer<MultiPicker> picker(
        new MultiPicker([&](const QString &text) { played.append(text); }));
    for (const QString &entry : entries)
        picker->addEntry(entry);
    picker->show();
    QVERIFY(QTest::qWaitForWindowExposed(picker));

    clickRow(picker->lstFiles(), row);
    QCOMPARE(played, QStringList{entries.at(row)});
    flushDeletes();
    QVERIFY(picker.isNull());
}

void TestMultiPicker::dismissPlaysNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("shown");
    QTest::newRow("Cancel") << "cancel" << true;
    QTest::newRow("close box") << "closebox" << true;
    QTest::newRow("unload while shown") << "unload" << true;
    QTest::newRow("unload while hidden") << "unload" << false;
    QTest::newRow("close while hidden") << "close" << false;
}

void TestMultiPicker::dismissPlaysNothing() {
    QFETCH(QString, how);
    QFETCH(bool, shown);

    QStringList played;
    QPointer<MultiPicker> picker(
        new MultiPicker([&](const QString &text) { played.append(text); }));
    picker->addEntry(QStringLiteral("a.mp3"));
    picker->addEntry(QStringLiteral("b.mp3"));
    if (shown) {
        picker->show();
        QVERIFY(QTest::qWaitForWindowExposed(picker));
    }

    if (how == QLatin1String("cancel")) {
        QTest::mouseClick(picker->Command1(), Qt::LeftButton);
    } else if (how == QLatin1String("closebox")) {
        // What the window manager does when the frame's close box is pressed.
        picker->windowHandle()->close();
    } else if (how == QLatin1String("close")) {
        picker->close();
    } else {
        picker->unload();
    }
    flushDeletes();
    QVERIFY(picker.isNull());
    QVERIFY(played.isEmpty());
}

void TestMultiPicker::appendWhileOpen() {
    MultiPicker picker({});
    picker.addEntry(QStringLiteral("queen - one"));
    picker.addEntry(QStringLiteral("queen - two"));
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    picker.addEntry(QStringLiteral("a later match"));
    picker.addEntry(QStringLiteral("another"));
    const QStringList expected{"queen - one", "queen - two", "a later match", "another"};
    QCOMPARE(picker.entries(), expected);
    QCOMPARE(picker.count(), 4);
    QCOMPARE(picker.lstFiles()->item(2)->text(), QStringLiteral("a later match"));
}

void TestMultiPicker::emptyListKeepsLabel() {
    QPointer<MultiPicker> picker(new MultiPicker({}));
    picker->show();
    QVERIFY(QTest::qWaitForWindowExposed(picker));
    QCOMPARE(picker->count(), 0);
    QCOMPARE(picker->Label1()->text(),
             QStringLiteral("More than one file was found. Please select from the list."));
    // A click on the empty list plays nothing and leaves the window open.
    QTest::mouseClick(picker->lstFiles()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    flushDeletes();
    QVERIFY(!picker.isNull());
    QTest::mouseClick(picker->Command1(), Qt::LeftButton);
    flushDeletes();
    QVERIFY(picker.isNull());
}

void TestMultiPicker::enterPlaysOnce() {
    QStringList played;
    QPointer<MultiPicker> picker(
        new MultiPicker([&](const QString &text) { played.append(text); }));
    picker->addEntry(QStringLiteral("a.mp3"));
    picker->addEntry(QStringLiteral("b.mp3"));
    picker->show();
    QVERIFY(QTest::qWaitForWindowExposed(picker));
    QListWidget *list = picker->lstFiles();
    list->setFocus();
    list->setCurrentRow(1);
    // Activation by keyboard, then a click arriving before the deferred delete: one play.
    emit list->itemActivated(list->item(1));
    emit list->itemClicked(list->item(1));
    QCOMPARE(played, QStringList{QStringLiteral("b.mp3")});
    flushDeletes();
    QVERIFY(picker.isNull());
}

void TestMultiPicker::playThatUnloadsThePicker() {
    // The main window may unload the picker from inside the play callback.
    QPointer<MultiPicker> picker;
    QStringList played;
    picker = new MultiPicker([&](const QString &text) {
        played.append(text);
        delete picker.data();
    });
    picker->addEntry(QStringLiteral("a.mp3"));
    picker->show();
    QVERIFY(QTest::qWaitForWindowExposed(picker));
    emit picker->lstFiles()->itemClicked(picker->lstFiles()->item(0));
    QVERIFY(picker.isNull());
    flushDeletes();
    QCOMPARE(played, QStringList{QStringLiteral("a.mp3")});
}

QTEST_MAIN(TestMultiPicker)
#include "tst_multipicker.moc"
