// The pacing of what the room says: a burst, then one line per interval, in order, nothing
// dropped, a bound past which lines are refused, and nothing sent while the queue is closed.
#include "chatroom/net/SendQueue.h"

#include <QElapsedTimer>
#include <QTest>

using namespace std::chrono_literals;

class TestSendQueue : public QObject {
    Q_OBJECT
private slots:
    void pacing_data();
    void pacing();
};

void TestSendQueue::pacing_data() {
    QTest::addColumn<int>("burst");
    QTest::addColumn<int>("bound");
    QTest::addColumn<bool>("open");
    QTest::addColumn<QList<int>>("batches"); // lines enqueued at once, batch after batch
    QTest::addColumn<QList<bool>>("accepted");
    QTest::addColumn<int>("atOnce"); // lines out before any interval has passed
    QTest::newRow("within the burst")
        << 3 << 200 << true << QList<int>{2} << QList<bool>{true} << 2;
    QTest::newRow("past the burst") << 3 << 200 << true << QList<int>{8} << QList<bool>{true} << 3;
    QTest::newRow("closed queue waits")
        << 3 << 200 << false << QList<int>{5} << QList<bool>{true} << 0;
    QTest::newRow("bound refuses a batch whole")
        << 1 << 10 << false << QList<int>{6, 5, 4} << QList<bool>{true, false, true} << 0;
}

void TestSendQueue::pacing() {
    QFETCH(int, burst);
    QFETCH(int, bound);
    QFETCH(bool, open);
    QFETCH(QList<int>, batches);
    QFETCH(QList<bool>, accepted);
    QFETCH(int, atOnce);
    constexpr auto interval = 40ms;
    SendQueue queue({burst, interval}, bound);
    QList<QByteArray> sent;
    QList<qint64> when;
    QElapsedTimer clock;
    clock.start();
    connect(&queue, &SendQueue::lineReady, [&](const QByteArray &line) {
        sent += line;
        when += clock.elapsed();
    });
    queue.setOpen(open);

    QList<QByteArray> expected;
    for (int i = 0; i < batches.size(); ++i) {
        QList<QByteArray> batch;
        for (int n = 0; n < batches[i]; ++n)
            batch += QByteArray::number(i) + '.' + QByteArray::number(n);
        QCOMPARE(queue.enqueue(batch), accepted[i]);
        if (accepted[i])
            expected += batch;
    }
    QCOMPARE(sent.size(), atOnce);
    if (!open) {
        QTest::qWait(3 * interval.count());
        QCOMPARE(sent.size(), 0);
        queue.setOpen(true);
        clock.restart();
        when.clear();
    }
    QTRY_COMPARE(sent, expected);
    // After the burst, no two lines closer than the interval (less a little timer slack).
    for (qsizetype i = burst; i < when.size(); ++i)
        QVERIFY2(
            when[i] - when[i - 1] >= interval.count() - 5,
            qPrintable(QStringLiteral("line %1 after %2 ms").arg(i).arg(when[i] - when[i - 1])));
}

QTEST_MAIN(TestSendQueue)
#include "tst_sendqueue.moc"
