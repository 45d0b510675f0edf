#include "library/TagPrefetch.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <mutex>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Tags made from the path, with a count of reads per path and the threads that read. A file
// named in `gate` blocks its reader until open() is called.
class CountingReader : public TagReader {
public:
    MediaTags readTags(const QString &path) const override {
        if (path == gate) {
            std::unique_lock lock(m_gateMutex);
            m_gateReached = true;
            m_gateChanged.notify_all();
            m_gateChanged.wait(lock, [this] { return m_open; });
        }
        {
            const QMutexLocker lock(&m_mutex);
            ++m_reads[path];
            m_threads.insert(QThread::currentThread());
            m_niceValues.insert(currentNice());
        }
        return MediaTags{QStringLiteral("artist of ") + path, QStringLiteral("title of ") + path};
    }
    MediaFacts readFacts(const QString &) const override { return {}; }

    int reads(const QString &path) const {
        const QMutexLocker lock(&m_mutex);
        return m_reads.value(path);
    }
    int totalReads() const {
        const QMutexLocker lock(&m_mutex);
        int total = 0;
        for (const int count : m_reads)
            total += count;
        return total;
    }
    QSet<QThread *> threads() const {
        const QMutexLocker lock(&m_mutex);
        return m_threads;
    }
    QSet<int> niceValues() const {
        const QMutexLocker lock(&m_mutex);
        return m_niceValues;
    }
    static int currentNice() {
#if defined(Q_OS_LINUX)
        return getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)));
#else
        return 0;
#endif
    }
    void waitForGate() const {
        std::unique_lock lock(m_gateMutex);
        m_gateChanged.wait(lock, [this] { return m_gateReached; });
    }
    void open() {
        const std::lock_guard lock(m_gateMutex);
        m_open = true;
        m_gateChanged.notify_all();
    }

    QString gate;

private:
    mutable QMutex m_mutex;
    mutable QHash<QString, int> m_reads;
    mutable QSet<QThread *> m_threads;
    mutable QSet<int> m_niceValues;
    mutable std::mutex m_gateMutex;
    mutable std::condition_variable m_gateChanged;
    mutable bool m_gateReached = false;
    bool m_open = false;
};

QString fileName(int i) {
    return QStringLiteral("/m/file %1.mp3").arg(i);
}

} // namespace

class TestTagPrefetch : public QObject {
    Q_OBJECT

private slots:
    void everyFileReadOnce_data();
    void everyFileReadOnce();
    void consumerReadsWhatNoWorkerStarted();
    void consumerWaitsForFileBeingRead();
    void takeTwiceAndOutOfRange();
    void capacity();
    void workersWaitForLateFiles();
    void destructionStopsWorkers();
    void backgroundWorkersGiveWay();
};

void TestTagPrefetch::everyFileReadOnce_data() {
    QTest::addColumn<int>("workers");
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("finishFirst");
    QTest::newRow("no workers") << 0 << 50 << true;
    QTest::newRow("one worker") << 1 << 500 << true;
    QTest::newRow("three workers") << 3 << 2000 << true;
    QTest::newRow("three workers, taken while queueing") << 3 << 2000 << false;
    QTest::newRow("more workers than files") << 8 << 3 << true;
}

void TestTagPrefetch::everyFileReadOnce() {
    QFETCH(int, workers);
    QFETCH(int, files);
    QFETCH(bool, finishFirst);
    CountingReader reader;
    {
        TagPrefetch prefetch(reader, files, workers);
        int taken = 0;
        for (int i = 0; i < files; ++i) {
            QVERIFY(prefetch.append(fileName(i)));
            // Taking while files are still being queued, as the scan never does but could.
            if (!finishFirst && i % 7 == 6) {
                QCOMPARE(prefetch.take(taken).artist,
                         QStringLiteral("artist of ") + fileName(taken));
                ++taken;
            }
        }
        prefetch.finish();
        QCOMPARE(prefetch.size(), files);
        for (int i = taken; i < files; ++i) {
            const MediaTags tags = prefetch.take(i);
            QCOMPARE(tags.artist, QStringLiteral("artist of ") + fileName(i));
            QCOMPARE(tags.title, QStringLiteral("title of ") + fileName(i));
        }
        if (workers == 0)
            QCOMPARE(prefetch.readByWorkers(), 0);
    }
    for (int i = 0; i < files; ++i)
        QCOMPARE(reader.reads(fileName(i)), 1);
    QCOMPARE(reader.totalReads(), files);
    if (workers == 0)
        QCOMPARE(reader.threads(), QSet<QThread *>{QThread::currentThread()});
}

void TestTagPrefetch::consumerReadsWhatNoWorkerStarted() {
    CountingReader reader;
    reader.gate = fileName(0);
    TagPrefetch prefetch(reader, 10, 1);
    for (int i = 0; i < 3; ++i)
        prefetch.append(fileName(i));
    prefetch.finish();
    // The only worker is stuck on file 0; file 1 is read here instead of waited for.
    reader.waitForGate();
    QCOMPARE(prefetch.take(1).artist, QStringLiteral("artist of ") + fileName(1));
    QCOMPARE(reader.reads(fileName(1)), 1);
    QCOMPARE(reader.reads(fileName(0)), 0);
    reader.open();
    QCOMPARE(prefetch.take(0).artist, QStringLiteral("artist of ") + fileName(0));
    QCOMPARE(prefetch.take(2).artist, QStringLiteral("artist of ") + fileName(2));
    QCOMPARE(reader.totalReads(), 3);
}

void TestTagPrefetch::consumerWaitsForFileBeingRead() {
    CountingReader reader;
    reader.gate = fileName(0);
    TagPrefetch prefetch(reader, 10, 1);
    prefetch.append(fileName(0));
    prefetch.finish();
    reader.waitForGate();
    // Opened from another thread a little later; take() must wait for the worker's result
    // rather than read the file a second time.
    QThread *opener = QThread::create([&reader] {
        QThread::msleep(50);
        reader.open();
    });
    opener->start();
    QCOMPARE(prefetch.take(0).title, QStringLiteral("title of ") + fileName(0));
    opener->wait();
    delete opener;
    QCOMPARE(reader.reads(fileName(0)), 1);
    QCOMPARE(prefetch.readByWorkers(), 1);
}

void TestTagPrefetch::takeTwiceAndOutOfRange() {
    CountingReader reader;
    TagPrefetch prefetch(reader, 4, 0);
    prefetch.append(fileName(0));
    QCOMPARE(prefetch.take(0).artist, QStringLiteral("artist of ") + fileName(0));
    QCOMPARE(prefetch.take(0).artist, QString());
    QCOMPARE(prefetch.take(1).artist, QString());
    QCOMPARE(prefetch.take(-1).artist, QString());
    QCOMPARE(reader.totalReads(), 1);
}

void TestTagPrefetch::capacity() {
    CountingReader reader;
    TagPrefetch prefetch(reader, 2, 1);
    QVERIFY(prefetch.append(fileName(0)));
    QVERIFY(prefetch.append(fileName(1)));
    QVERIFY(!prefetch.append(fileName(2)));
    QCOMPARE(prefetch.size(), 2);
    TagPrefetch none(reader, 0, 1);
    QVERIFY(!none.append(fileName(0)));
}

void TestTagPrefetch::workersWaitForLateFiles() {
    CountingReader reader;
    TagPrefetch prefetch(reader, 100, 2);
    prefetch.append(fileName(0));
    QTRY_COMPARE(prefetch.readByWorkers(), 1);
    // The workers are idle now, waiting; a file queued later still reaches them.
    prefetch.append(fileName(1));
    QTRY_COMPARE(prefetch.readByWorkers(), 2);
    prefetch.finish();
    QCOMPARE(prefetch.take(1).artist, QStringLiteral("artist of ") + fileName(1));
    QCOMPARE(reader.totalReads(), 2);
}

void TestTagPrefetch::destructionStopsWorkers() {
    CountingReader reader;
    {
        // Idle workers waiting for files that never come (no finish()) must still leave.
        TagPrefetch prefetch(reader, 10, 3);
        prefetch.append(fileName(0));
        QTRY_COMPARE(prefetch.readByWorkers(), 1);
    }
    reader.gate = fileName(1);
    QThread *opener = nullptr;
    {
        // A worker in the middle of a read is waited for, not abandoned.
        TagPrefetch prefetch(reader, 10, 1);
        prefetch.append(fileName(1));
        prefetch.append(fileName(2));
        reader.waitForGate();
        opener = QThread::create([&reader] {
            QThread::msleep(50);
            reader.open();
        });
        opener->start();
        // ~TagPrefetch joins here, once the opener has let the read finish.
    }
    opener->wait();
    delete opener;
    QCOMPARE(reader.reads(fileName(0)), 1);
    QCOMPARE(reader.reads(fileName(1)), 1);
    QVERIFY(reader.reads(fileName(2)) <= 1);
}

void TestTagPrefetch::backgroundWorkersGiveWay() {
#if !defined(Q_OS_LINUX)
    QSKIP("Thread priorities are only lowered on Linux.");
#else
    const int ours = CountingReader::currentNice();
    if (ours >= 19)
        QSKIP("This test runs at the lowest priority already.");
    CountingReader background;
    {
        TagPrefetch prefetch(background, 10, 2, TagPrefetch::Priority::Background);
        for (int i = 0; i < 10; ++i)
            prefetch.append(fileName(i));
        prefetch.finish();
        QTRY_COMPARE(prefetch.readByWorkers(), 10);
    }
    QCOMPARE(background.niceValues(), QSet<int>{std::min(ours + 10, 19)});
    // Normal workers keep the priority of the thread that made them, and so does this thread.
    CountingReader normal;
    {
        TagPrefetch prefetch(normal, 10, 2);
        for (int i = 0; i < 10; ++i)
            prefetch.append(fileName(i));
        prefetch.finish();
        QTRY_COMPARE(prefetch.readByWorkers(), 10);
    }
    QCOMPARE(normal.niceValues(), QSet<int>{ours});
    QCOMPARE(CountingReader::currentNice(), ours);
#endif
}

QTEST_GUILESS_MAIN(TestTagPrefetch)
#include "tst_tagprefetch.moc"
