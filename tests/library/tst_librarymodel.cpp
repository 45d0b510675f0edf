#include "library/Library.h"
#include "support/LibraryInput.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using libraryinput::Add;
using libraryinput::displayLines;
using libraryinput::pathLines;
using libraryinput::randomAdds;

// Batches and what views see: the order after a batch is the order of one-by-one adds, and
// every signal leaves rows, selections and persistent indexes on the right entries.
class TestLibraryModel : public QObject {
    Q_OBJECT

private slots:
    void batchEquivalence_data();
    void batchEquivalence();
    void batchReadsSeeOnlyPlacedEntries();
    void nestedBatchPlacesAtOutermostEnd();
    void modelSignalsOneByOne();
    void modelSignalsBatchIntoEmpty();
    void modelSignalsBatchAppend();
    void modelSignalsBatchMerge();
    void modelTesterThroughEverything();
    void displayLineChange();
};

void TestLibraryModel::batchEquivalence_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("maxBatch");
    QTest::newRow("one big batch") << 21u << 100000;
    QTest::newRow("batches up to 40") << 22u << 40;
    QTest::newRow("batches up to 3") << 23u << 3;
}

void TestLibraryModel::batchEquivalence() {
    QFETCH(quint32, seed);
    QFETCH(int, maxBatch);
    // Many names equal but for case, so the order among equals is put to the test.
    const QList<Add> adds = randomAdds(seed, 3000, QStringLiteral("aAbBc"), 9);
    Library oneByOne;
    for (const Add &add : adds)
        oneByOne.AddIt(add.first, add.second);

    QRandomGenerator random(seed + 1000);
    Library batched;
    qsizetype next = 0;
    while (next < adds.size()) {
        const qsizetype size = 1 + random.bounded(std::min<qsizetype>(maxBatch, adds.size()));
        batched.beginBatch();
        for (qsizetype i = next; i < std::min(adds.size(), next + size); ++i)
            batched.AddIt(adds.at(i).first, adds.at(i).second);
        batched.endBatch();
        next += size;
        // Now and then a single add outside any batch.
        if (next < adds.size() && random.bounded(4) == 0) {
            batched.AddIt(adds.at(next).first, adds.at(next).second);
            ++next;
        }
    }
    QVERIFY(oneByOne.count() > 200);
    QCOMPARE(pathLines(batched), pathLines(oneByOne));
    QCOMPARE(displayLines(batched), displayLines(oneByOne));
}

void TestLibraryModel::batchReadsSeeOnlyPlacedEntries() {
    Library library;
    library.AddIt(QStringLiteral("m.mp3"), QStringLiteral("/m"));
    library.beginBatch();
    QVERIFY(library.isBatchOpen());
    QCOMPARE(library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/m")),
             Library::AddResult::Added);
    // Waiting entries already refuse their duplicates and count towards the capacity...
    QCOMPARE(library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/other")),
             Library::AddResult::Refused);
    QCOMPARE(library.totalCount(), 2);
    // ...but have no row yet.
    QCOMPARE(library.count(), 1);
    QCOMPARE(library.rowCount(), 1);
    QCOMPARE(library.displayLine(0), QStringLiteral("m.mp3"));
    library.endBatch();
    QVERIFY(!library.isBatchOpen());
    QCOMPARE(displayLines(library), (QStringList{"a.mp3", "m.mp3"}));
}

void TestLibraryModel::nestedBatchPlacesAtOutermostEnd() {
    Library library;
    library.beginBatch();
    library.AddIt(QStringLiteral("b.mp3"), QStringLiteral("/m"));
    library.beginBatch();
    library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/m"));
    library.endBatch();
    QCOMPARE(library.count(), 0);
    library.endBatch();
    QCOMPARE(displayLines(library), (QStringList{"a.mp3", "b.mp3"}));
    library.endBatch(); // unmatched: ignored
    QCOMPARE(library.count(), 2);
}

void TestLibraryModel::modelSignalsOneByOne() {
    Library library;
    QSignalSpy inserted(&library, &QAbstractItemModel::rowsInserted);
    library.AddIt(QStringLiteral("b.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("c.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("c.mp3"), QStringLiteral("/n")); // refused: no signal
    QCOMPARE(inserted.size(), 3);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(1).at(1).toInt(), 0);
    QCOMPARE(inserted.at(2).at(1).toInt(), 2);
    QCOMPARE(inserted.at(2).at(2).toInt(), 2);
}

void TestLibraryModel::modelSignalsBatchIntoEmpty() {
    Library library;
    QSignalSpy inserted(&library, &QAbstractItemModel::rowsInserted);
    QSignalSpy layout(&library, &QAbstractItemModel::layoutChanged);
    library.beginBatch();
    for (const char *name : {"c.mp3", "a.mp3", "b.mp3"})
        library.AddIt(QString::fromLatin1(name), QStringLiteral("/m"));
    QCOMPARE(inserted.size(), 0);
    library.endBatch();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 2);
    QCOMPARE(layout.size(), 0);
}

void TestLibraryModel::modelSignalsBatchAppend() {
    Library library;
    library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/m"));
    QSignalSpy inserted(&library, &QAbstractItemModel::rowsInserted);
    QSignalSpy layout(&library, &QAbstractItemModel::layoutChanged);
    library.beginBatch();
    library.AddIt(QStringLiteral("c.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("b.mp3"), QStringLiteral("/m"));
    library.endBatch();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 2);
    QCOMPARE(layout.size(), 0); // all after the present entries: no reordering to announce
    QCOMPARE(displayLines(library), (QStringList{"a.mp3", "b.mp3", "c.mp3"}));
}

void TestLibraryModel::modelSignalsBatchMerge() {
    Library library;
    for (const char *name : {"b.mp3", "d.mp3", "f.mp3"})
        library.AddIt(QString::fromLatin1(name), QStringLiteral("/m"));
    library.setDisplayLine(1, QStringLiteral("Dee - Dee"));
    QItemSelectionModel selection(&library);
    selection.select(library.index(1, 0), QItemSelectionModel::Select);
    const QPersistentModelIndex d(library.index(1, 0));
    const QPersistentModelIndex fPath(library.index(2, 1));

    QSignalSpy inserted(&library, &QAbstractItemModel::rowsInserted);
    QSignalSpy aboutToLayout(&library, &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy layout(&library, &QAbstractItemModel::layoutChanged);
    library.beginBatch();
    for (const char *name : {"e.mp3", "a.mp3", "c.mp3", "g.mp3"})
        library.AddIt(QString::fromLatin1(name), QStringLiteral("/m"));
    library.endBatch();

    QCOMPARE(displayLines(library),
             (QStringList{"a.mp3", "b.mp3", "c.mp3", "Dee - Dee", "e.mp3", "f.mp3", "g.mp3"}));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 3);
    QCOMPARE(inserted.at(0).at(2).toInt(), 6);
    QCOMPARE(aboutToLayout.size(), 1);
    QCOMPARE(layout.size(), 1);
    // Persistent indexes and the selection follow their entries.
    QCOMPARE(d.row(), 3);
    QCOMPARE(d.data().toString(), QStringLiteral("Dee - Dee"));
    QCOMPARE(fPath.row(), 5);
    QCOMPARE(fPath.column(), 1);
    QCOMPARE(fPath.data().toString(), QStringLiteral("f.mp3|/m/f.mp3"));
    const QModelIndexList selected = selection.selectedIndexes();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 3);
}

void TestLibraryModel::modelTesterThroughEverything() {
    Library library;
    // The tester checks every signal against the model's state as it happens, and fails the
    // test through QtTest on any inconsistency.
    QAbstractItemModelTester tester(&library,
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QItemSelectionModel selection(&library);
    const QList<Add> adds = randomAdds(31, 600, QStringLiteral("abcAB"), 8);
    QList<QPersistentModelIndex> kept;
    QStringList keptPaths;
    QRandomGenerator random(32);
    qsizetype next = 0;
    while (next < adds.size()) {
        const bool batch = random.bounded(2) == 0;
        const qsizetype size = 1 + random.bounded(30);
        if (batch)
            library.beginBatch();
        for (qsizetype i = next; i < std::min(adds.size(), next + size); ++i)
            library.AddIt(adds.at(i).first, adds.at(i).second);
        if (batch)
            library.endBatch();
        next += size;
        if (library.count() > 0) {
            const int row = random.bounded(library.count());
            kept.append(QPersistentModelIndex(library.index(row, random.bounded(2))));
            keptPaths.append(library.pathLine(row));
            selection.select(library.index(row, 0), QItemSelectionModel::Select);
            library.setDisplayLine(random.bounded(library.count()), QStringLiteral("A - B"));
        }
    }
    for (qsizetype i = 0; i < kept.size(); ++i) {
        QVERIFY(kept.at(i).isValid());
        QCOMPARE(library.pathLine(kept.at(i).row()), keptPaths.at(i));
    }
    for (const QModelIndex &index : selection.selectedIndexes())
        QVERIFY(keptPaths.contains(library.pathLine(index.row())));
}

void TestLibraryModel::displayLineChange() {
    Library library;
    library.AddIt(QStringLiteral("a.mp3"), QStringLiteral("/m"));
    library.AddIt(QStringLiteral("b.mp3"), QStringLiteral("/m"));
    QSignalSpy changed(&library, &QAbstractItemModel::dataChanged);
    library.setDisplayLine(1, QStringLiteral("Artist - Title"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), library.index(1, Library::DisplayColumn));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), library.index(1, Library::DisplayColumn));
    library.setDisplayLine(1, QStringLiteral("Artist - Title")); // same text: no signal
    QCOMPARE(changed.size(), 1);
    library.setDisplayLine(2, QStringLiteral("nowhere")); // no such row: ignored
    library.setDisplayLine(-1, QStringLiteral("nowhere"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(displayLines(library), (QStringList{"a.mp3", "Artist - Title"}));
    QCOMPARE(library.pathLine(1), QStringLiteral("b.mp3|/m/b.mp3"));
}

QTEST_GUILESS_MAIN(TestLibraryModel)
#include "tst_librarymodel.moc"
