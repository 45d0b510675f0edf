#include "platform/FileNames.h"
#include "platform/MpvEngine.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

// The real libmpv with the silent audio output. Waits are generous, since the machine may be
// busy; nothing here depends on how fast it is.
namespace {

constexpr int kWaitMs = 10000;

// The position once it has moved at least `atLeast` seconds away from `from` (or the wait
// ran out, which the caller's comparison then catches).
double positionAfter(MpvEngine &engine, double from, double atLeast) {
    const bool moved =
        QTest::qWaitFor([&] { return qAbs(engine.position() - from) >= atLeast; }, kWaitMs);
    Q_UNUSED(moved);
    return engine.position();
}

} // namespace

class TestMpvEngine : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsAndAdvances();
    void badFilesFail_data();
    void badFilesFail();
    void playsToItsEnd();
    void replacedFileIsNotReported();
    void quickReplacementStartsOnlyTheLast();
    void stopIsSilent();
    void pauseHoldsPosition();
    void fastForwardRunsFaster();
    void backwardRunsBackwards();
    void openResetsSpeedDirectionPause();
    void awkwardNamesPlayTheirOwnFile_data();
    void awkwardNamesPlayTheirOwnFile();
    void audioOutputListFallsThrough();
    void destroyedWhilePlaying();

private:
    bool openAndStart(const QString &path);

    std::unique_ptr<MpvEngine> m_engine;
    std::unique_ptr<QSignalSpy> m_started;
    std::unique_ptr<QSignalSpy> m_finished;
};

void TestMpvEngine::init() {
    m_engine = std::make_unique<MpvEngine>(QStringLiteral("null"));
    QVERIFY(m_engine->isValid());
    m_started = std::make_unique<QSignalSpy>(m_engine.get(), &MediaEngine::started);
    m_finished = std::make_unique<QSignalSpy>(m_engine.get(), &MediaEngine::finished);
}

void TestMpvEngine::cleanup() {
    m_started.reset();
    m_finished.reset();
    m_engine.reset();
}

bool TestMpvEngine::openAndStart(const QString &path) {
    const qsizetype before = m_started->count();
    m_engine->open(path);
    return QTest::qWaitFor([&] { return m_started->count() > before; }, kWaitMs);
}

void TestMpvEngine::startsAndAdvances() {
    QCOMPARE(m_engine->state(), MediaEngine::State::Idle);
    QCOMPARE(m_engine->volume(), 50);
    m_engine->open(testenv::media("tagged.mp3"));
    QCOMPARE(m_engine->state(), MediaEngine::State::Loading);
    QCOMPARE(m_engine->position(), 0.0);
    QVERIFY(m_started->wait(kWaitMs));
    QCOMPARE(m_engine->state(), MediaEngine::State::Playing);
    QVERIFY(qAbs(m_engine->duration() - 20.0) < 0.2);
    const double first = m_engine->position();
    QVERIFY(positionAfter(*m_engine, first, 0.3) > first);
    QCOMPARE(m_finished->count(), 0);
}

void TestMpvEngine::badFilesFail_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << "no-such-file.mp3";
    QTest::newRow("empty") << "empty.mp3";
    QTest::newRow("random bytes") << "random.mp3";
    // Ends within a few frames, before it could count as started.
    QTest::newRow("truncated") << "truncated.mp3";
    QTest::newRow("our own playlist") << "playlist.asx";
    QTest::newRow("malformed playlist") << "malformed.asx";
    QTest::newRow("folder") << "folder.mp3";
    QTest::newRow("fifo") << "fifo.mp3";
    QTest::newRow("m3u in disguise") << "list.mp3";
    QTest::newRow("empty name") << "";
}

void TestMpvEngine::badFilesFail() {
    QFETCH(QString, name);
    QTemporaryDir dir;
    QString path = name.isEmpty() ? QString() : testenv::media(name);
    if (name == QLatin1String("folder.mp3")) {
        // A folder that holds a playable file: mpv itself would play it as a playlist.
        path = dir.filePath(name);
        QVERIFY(QDir().mkdir(path));
        QVERIFY(QFile::copy(testenv::media("untagged.mp3"), path + QStringLiteral("/a.mp3")));
    } else if (name == QLatin1String("fifo.mp3")) {
        path = dir.filePath(name);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (name == QLatin1String("list.mp3")) {
        // A playlist mpv would expand and play entry by entry.
        path = dir.filePath(name);
        QFile list(path);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("#EXTM3U\n" + QFile::encodeName(testenv::media("untagged.mp3")) + '\n');
    }

    m_engine->open(path);
    QVERIFY(m_finished->wait(kWaitMs));
    QCOMPARE(m_finished->count(), 1);
    QCOMPARE(m_finished->first().first().toBool(), true);
    QCOMPARE(m_engine->state(), MediaEngine::State::Idle);
    QCOMPARE(m_engine->position(), 0.0);
    // Nothing starts afterwards either.
    QTest::qWait(150);
    QCOMPARE(m_started->count(), 0);
    QCOMPARE(m_finished->count(), 1);
    QCOMPARE(m_engine->position(), 0.0);
}

void TestMpvEngine::playsToItsEnd() {
    QVERIFY(openAndStart(testenv::media("titleonly.mp3")));
    m_engine->seek(3.6);
    QVERIFY(m_finished->wait(kWaitMs));
    QCOMPARE(m_finished->first().first().toBool(), false);
    QCOMPARE(m_engine->state(), MediaEngine::State::Idle);
    QCOMPARE(m_engine->position(), 0.0);
    QCOMPARE(m_engine->duration(), 0.0);
}

void TestMpvEngine::replacedFileIsNotReported() {
    QVERIFY(openAndStart(testenv::media("tagged.mp3")));
    QVERIFY(openAndStart(testenv::media("untagged.mp3")));
    QVERIFY(qAbs(m_engine->duration() - 5.0) < 0.2);
    // The first file was unloaded, not finished; then the second is cut short by a bad one.
    QCOMPARE(m_finished->count(), 0);
    m_engine->open(testenv::media("random.mp3"));
    QVERIFY(m_finished->wait(kWaitMs));
    QCOMPARE(m_finished->count(), 1);
    QCOMPARE(m_finished->first().first().toBool(), true);
}

void TestMpvEngine::quickReplacementStartsOnlyTheLast() {
    m_engine->open(testenv::media("tagged.mp3"));
    m_engine->open(testenv::media("random.mp3"));
    m_engine->open(testenv::media("untagged.mp3"));
    QVERIFY(m_started->wait(kWaitMs));
    QTest::qWait(200);
    QCOMPARE(m_started->count(), 1);
    QCOMPARE(m_finished->count(), 0);
    QVERIFY(qAbs(m_engine->duration() - 5.0) < 0.2);
}

void TestMpvEngine::stopIsSilent() {
    QVERIFY(openAndStart(testenv::media("tagged.mp3")));
    QSignalSpy changed(m_engine.get(), &MediaEngine::stateChanged);
    m_engine->stop();
    QCOMPARE(m_engine->state(), MediaEngine::State::Idle);
    QVERIFY(changed.count() >= 1);
    QCOMPARE(m_engine->position(), 0.0);
    // A bad file opened and stopped at once reports nothing either.
    m_engine->open(testenv::media("random.mp3"));
    m_engine->stop();
    QTest::qWait(250);
    QCOMPARE(m_finished->count(), 0);
    QCOMPARE(m_started->count(), 1);
}

void TestMpvEngine::pauseHoldsPosition() {
    QVERIFY(openAndStart(testenv::media("tagged.mp3")));
    positionAfter(*m_engine, 0, 0.2);
    m_engine->setPaused(true);
    QCOMPARE(m_engine->state(), MediaEngine::State::Paused);
    // The pause reaches libmpv's audio thread in its own time: once the position has held still
    // over one window, it must go on holding.
    double held = 0;
    QVERIFY(QTest::qWaitFor(
        [&] {
            const double from = m_engine->position();
            QTest::qWait(300);
            held = m_engine->position();
            return qAbs(held - from) < 0.05;
        },
        kWaitMs));
    QTest::qWait(300);
    QVERIFY(qAbs(m_engine->position() - held) < 0.05);
    m_engine->setPaused(false);
    QCOMPARE(m_engine->state(), MediaEngine::State::Playing);
    QVERIFY(positionAfter(*m_engine, held, 0.2) > held);
}

void TestMpvEngine::fastForwardRunsFaster() {
    QVERIFY(openAndStart(testenv::media("long.mp3")));
    m_engine->setSpeed(5.0);
    QCOMPARE(m_engine->speed(), 5.0);
    // The clock starts when the position moves, not while libmpv may still hold it.
    const double from = positionAfter(*m_engine, m_engine->position(), 0.01);
    QElapsedTimer clock;
    clock.start();
    const double to = positionAfter(*m_engine, from, 4.0);
    const double rate = (to - from) / (clock.elapsed() / 1000.0);
    // About five seconds of audio per second. A busy machine only makes it look slower, and
    // normal speed can never pass 1.5: that is all the lower bound needs to tell.
    QVERIFY2(rate > 1.5 && rate < 6.5, qPrintable(QString::number(rate)));
}

void TestMpvEngine::backwardRunsBackwards() {
    QVERIFY(openAndStart(testenv::media("long.mp3")));
    m_engine->seek(40.0);
    QVERIFY(QTest::qWaitFor([&] { return m_engine->position() >= 40.0; }, kWaitMs));
    m_engine->setBackward(true);
    m_engine->setSpeed(5.0);
    QVERIFY(m_engine->isBackward());
    QVERIFY(QTest::qWaitFor([&] { return m_engine->position() < 39.0; }, kWaitMs));
    const double from = positionAfter(*m_engine, m_engine->position(), 0.01);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(QTest::qWaitFor([&] { return m_engine->position() <= from - 4.0; }, kWaitMs));
    const double rate = (from - m_engine->position()) / (clock.elapsed() / 1000.0);
    QVERIFY2(rate > 1.5 && rate < 6.5, qPrintable(QString::number(rate)));
    QCOMPARE(m_engine->state(), MediaEngine::State::Playing);
    QCOMPARE(m_finished->count(), 0);

    // Back to forward: the position climbs again.
    m_engine->setBackward(false);
    m_engine->setSpeed(1.0);
    QTest::qWait(100);
    const double turned = m_engine->position();
    QVERIFY(positionAfter(*m_engine, turned, 0.2) > turned);
}

void TestMpvEngine::openResetsSpeedDirectionPause() {
    QVERIFY(openAndStart(testenv::media("long.mp3")));
    m_engine->seek(30.0);
    m_engine->setSpeed(5.0);
    m_engine->setBackward(true);
    m_engine->setPaused(true);
    QVERIFY(openAndStart(testenv::media("tagged.mp3")));
    QCOMPARE(m_engine->speed(), 1.0);
    QVERIFY(!m_engine->isBackward());
    QCOMPARE(m_engine->state(), MediaEngine::State::Playing);
    const double from = m_engine->position();
    QElapsedTimer clock;
    clock.start();
    const double to = positionAfter(*m_engine, from, 0.5);
    QVERIFY(to > from);
    QVERIFY2((to - from) / (clock.elapsed() / 1000.0) < 2.0, "not back at normal speed");
}

void TestMpvEngine::awkwardNamesPlayTheirOwnFile_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("pipe") << QByteArray("a|b.mp3");
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9 \xff.mp3");
    // mpv reads a file called "-" from standard input unless the name is made absolute.
    QTest::newRow("dash") << QByteArray("-");
}

void TestMpvEngine::awkwardNamesPlayTheirOwnFile() {
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    const QByteArray target = QFile::encodeName(dir.path()) + '/' + name;
    // The 5 s file under the awkward name, the 20 s file under a plain one beside it: the
    // length tells which one mpv opened.
    QVERIFY(testenv::copyToByteName(testenv::media("untagged.mp3"), target));
    QVERIFY(testenv::copyToByteName(testenv::media("tagged.mp3"),
                                    QFile::encodeName(dir.path()) + "/a"));
    QVERIFY(openAndStart(FileNames::decode(target)));
    QVERIFY(qAbs(m_engine->duration() - 5.0) < 0.2);

    // Relative to the working folder, too.
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const bool started = openAndStart(FileNames::decode(name));
    QDir::setCurrent(saved);
    QVERIFY(started);
    QVERIFY(qAbs(m_engine->duration() - 5.0) < 0.2);
}

void TestMpvEngine::audioOutputListFallsThrough() {
    MpvEngine engine(QStringLiteral("no-such-output,null"));
    QVERIFY(engine.isValid());
    QSignalSpy started(&engine, &MediaEngine::started);
    engine.open(testenv::media("tagged.mp3"));
    QVERIFY(started.wait(kWaitMs));
    QCOMPARE(engine.currentAudioOutput(), QStringLiteral("null"));
    QVERIFY(positionAfter(engine, 0, 0.3) > 0.0);
}

void TestMpvEngine::destroyedWhilePlaying() {
    QVERIFY(openAndStart(testenv::media("tagged.mp3")));
    m_engine->setSpeed(5.0);
    m_engine->open(testenv::media("untagged.mp3"));
    // Events are pending for an engine that goes away now.
    m_started.reset();
    m_finished.reset();
    m_engine.reset();
    QTest::qWait(200);
    m_engine = std::make_unique<MpvEngine>(QStringLiteral("null"));
    m_started = std::make_unique<QSignalSpy>(m_engine.get(), &MediaEngine::started);
    m_finished = std::make_unique<QSignalSpy>(m_engine.get(), &MediaEngine::finished);
    QVERIFY(openAndStart(testenv::media("untagged.mp3")));
}

QTEST_GUILESS_MAIN(TestMpvEngine)
#include "tst_mpvengine.moc"
