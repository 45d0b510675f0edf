#include "platform/FileNames.h"
#include "platform/MpvEngine.h"
#include "platform/TagLibReader.h"
#include "player/MediaPlayer.h"
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

// The player on the real engine (libmpv, silent output) and real tags (TagLib), playing the
// files made by make-test-media.
namespace {

constexpr int kWaitMs = 10000;

} // namespace

class TestRealPlayback : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void playsWithAttributes_data();
    void playsWithAttributes();
    void pauseAndPlay();
    void fastForwardAndReverse();
    void newUrlResetsSpeedDirectionPause();
    void playlistPlaysEntriesInOrder();
    void badFiles_data();
    void badFiles();
    void awkwardNames_data();
    void awkwardNames();

private:
    bool startAndWait(const QString &url);
    double movedWithin(int ms);
    double rateOnceMoving(int ms);

    TagLibReader m_tags;
    std::unique_ptr<MediaPlayer> m_player;
    QStringList m_reported; // "author - name" of every StatusChange that had an item
};

void TestRealPlayback::init() {
    m_player =
        std::make_unique<MediaPlayer>(std::make_unique<MpvEngine>(QStringLiteral("null")), m_tags);
    m_reported.clear();
    connect(m_player.get(), &MediaPlayer::StatusChange, this, [this] {
        if (const MediaItem *item = m_player->currentMedia())
            m_reported.append(item->getItemInfo("author") + " - " + item->getItemInfo("name"));
    });
}

void TestRealPlayback::cleanup() {
    m_player.reset();
}

bool TestRealPlayback::startAndWait(const QString &url) {
    m_player->setURL(url);
    return QTest::qWaitFor(
        [this] {
            return m_player->currentMedia() &&
                   m_player->playState() != MediaPlayer::PlayState::Transitioning;
        },
        kWaitMs);
}

// libmpv resumes on its own threads; on a loaded machine the first few hundred milliseconds after
// a resume or a new file can pass with the clock still held, which says nothing about the rate.
double TestRealPlayback::rateOnceMoving(int ms) {
    const double from = m_player->currentPosition();
    if (!QTest::qWaitFor([&] { return m_player->currentPosition() != from; }, kWaitMs))
        return 0.0;
    return movedWithin(ms);
}

// How far the position moved (signed) over about `ms` of wall time, scaled to one second.
double TestRealPlayback::movedWithin(int ms) {
    const double from = m_player->currentPosition();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(ms);
    const double to = m_player->currentPosition();
    return (to - from) / (clock.elapsed() / 1000.0);
}

void TestRealPlayback::playsWithAttributes_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("author");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("duration");
    QTest::addColumn<int>("bitRate");

    QTest::newRow("tagged mp3") << "tagged.mp3"
                                << "Test Artist"
                                << "Test Title"
                                << "0:20" << 128000;
    QTest::newRow("untagged mp3") << "untagged.mp3"
                                  << ""
                                  << "untagged"
                                  << "0:05" << 64000;
    QTest::newRow("title only") << "titleonly.mp3"
                                << ""
                                << "Only A Title"
                                << "0:04" << 97000;
    QTest::newRow("over a minute") << "long.mp3"
                                   << "Long Artist"
                                   << "Long Title"
                                   << "1:05" << 32000;
    // Cover art is a video stream to the decoder: it must neither stop the sound nor show.
    QTest::newRow("cover art") << "cover.mp3"
                               << "Cover Artist"
                               << "Cover Title"
                               << "0:03" << 64000;
    QTest::newRow("ID3v1 only") << "id3v1.mp3"
                                << "Old Artist"
                                << "Old Title"
                                << "0:03" << 64000;
    QTest::newRow("wma") << "tagged.wma"
                         << "Wma Author"
                         << "Wma Title"
                         << "0:06" << 64000;
    QTest::newRow("asf") << "tagged.asf"
                         << "Asf Author"
                         << "Asf Title"
                         << "0:06" << 64000;
}

void TestRealPlayback::playsWithAttributes() {
    QFETCH(QString, file);
    QFETCH(QString, author);
    QFETCH(QString, name);
    QFETCH(QString, duration);
    QFETCH(int, bitRate);

    QVERIFY(startAndWait(testenv::media(file)));
    const MediaItem *item = m_player->currentMedia();
    QCOMPARE(item->getItemInfo("author"), author);
    QCOMPARE(item->getItemInfo("name"), name);
    QCOMPARE(item->durationString(), duration);
    QVERIFY2(qAbs(m_player->bitRate() - bitRate) <= bitRate / 50,
             qPrintable(QString::number(m_player->bitRate())));
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Playing);
    QVERIFY(QTest::qWaitFor([this] { return m_player->currentPosition() > 0.1; }, kWaitMs));
    QCOMPARE(m_reported.last(), author + " - " + name);
}

void TestRealPlayback::pauseAndPlay() {
    QVERIFY(startAndWait(testenv::media("tagged.mp3")));
    QVERIFY(QTest::qWaitFor([this] { return m_player->currentPosition() > 0.2; }, kWaitMs));
    m_player->pause();
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Paused);
    QTest::qWait(100);
    QVERIFY(qAbs(movedWithin(300)) < 0.1);
    m_player->play();
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Playing);
    const double rate = rateOnceMoving(400);
    QVERIFY2(rate > 0.3 && rate < 1.6, qPrintable(QString::number(rate)));
}

void TestRealPlayback::fastForwardAndReverse() {
    QVERIFY(startAndWait(testenv::media("long.mp3")));
    m_player->fastForward();
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::FastForwarding);
    QTest::qWait(100);
    const double forward = movedWithin(500);
    // Five seconds of audio per second. A loaded machine can only make it look slower, so the
    // lower bounds say no more than the direction and "faster than play".
    QVERIFY2(forward > 1.2 && forward < 6.5, qPrintable(QString::number(forward)));

    m_player->setCurrentPosition(40);
    QVERIFY(QTest::qWaitFor([this] { return m_player->currentPosition() >= 40; }, kWaitMs));
    m_player->fastReverse();
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::FastReversing);
    QVERIFY(QTest::qWaitFor([this] { return m_player->currentPosition() < 39; }, kWaitMs));
    const double backward = movedWithin(500);
    QVERIFY2(backward < -0.5 && backward > -6.5, qPrintable(QString::number(backward)));

    m_player->play();
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Playing);
    QTest::qWait(150);
    const double normal = movedWithin(400);
    QVERIFY2(normal >= 0 && normal < 1.6, qPrintable(QString::number(normal)));
}

void TestRealPlayback::newUrlResetsSpeedDirectionPause() {
    QVERIFY(startAndWait(testenv::media("long.mp3")));
    m_player->setCurrentPosition(30);
    m_player->fastReverse();
    m_player->pause();
    QVERIFY(startAndWait(testenv::media("tagged.mp3")));
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Playing);
    QCOMPARE(m_player->engine().speed(), 1.0);
    QVERIFY(!m_player->engine().isBackward());
    const double rate = rateOnceMoving(400);
    QVERIFY2(rate > 0.3 && rate < 1.6, qPrintable(QString::number(rate)));
}

void TestRealPlayback::playlistPlaysEntriesInOrder() {
    // playlist.asx: untagged.mp3 as "First Entry" by "Playlist Author", then tagged.wma
    // with nothing of its own in the playlist, so its tags count.
    QVERIFY(startAndWait(testenv::media("playlist.asx")));
    QCOMPARE(m_player->currentMedia()->sourceURL(), testenv::media("untagged.mp3"));
    QCOMPARE(m_reported.last(), QStringLiteral("Playlist Author - First Entry"));
    QCOMPARE(m_player->currentMedia()->durationString(), QStringLiteral("0:05"));

    m_player->setCurrentPosition(4.7); // to the end of the first entry
    QVERIFY(QTest::qWaitFor(
        [this] {
            return m_player->currentMedia() &&
                   m_player->currentMedia()->sourceURL() == testenv::media("tagged.wma");
        },
        kWaitMs));
    QCOMPARE(m_reported.last(), QStringLiteral("Wma Author - Wma Title"));
    QCOMPARE(m_player->URL(), testenv::media("playlist.asx"));

    m_player->setCurrentPosition(5.8);
    QVERIFY(QTest::qWaitFor(
        [this] { return m_player->playState() == MediaPlayer::PlayState::Stopped; }, kWaitMs));
    QCOMPARE(m_player->currentPosition(), 0.0);
    m_reported.removeDuplicates();
    QCOMPARE(m_reported, QStringList({"Playlist Author - First Entry", "Wma Author - Wma Title"}));
}

void TestRealPlayback::badFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("missing") << "no-such-file.mp3";
    QTest::newRow("empty") << "empty.mp3";
    QTest::newRow("random bytes") << "random.mp3";
    QTest::newRow("truncated") << "truncated.mp3";
    QTest::newRow("malformed playlist") << "malformed.asx";
    QTest::newRow("folder") << "folder.mp3";
    QTest::newRow("unreadable") << "unreadable.mp3";
}

void TestRealPlayback::badFiles() {
    QFETCH(QString, file);
    QTemporaryDir dir;
    QString path = testenv::media(file);
    if (file == QLatin1String("folder.mp3")) {
        path = dir.filePath(file);
        QVERIFY(QDir().mkdir(path));
    } else if (file == QLatin1String("unreadable.mp3")) {
        if (::geteuid() == 0) {
            // Every file is readable to root.
            const QString failure =
                testenv::failureAsOtherUser(QTest::currentTestFunction(), QTest::currentDataTag());
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            return;
        }
        path = dir.filePath(file);
        QVERIFY(QFile::copy(testenv::media("tagged.mp3"), path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QVERIFY(::access(QFile::encodeName(path).constData(), R_OK) != 0);
    }

    // Something good plays first, so that "no new item" is not just "nothing ever played".
    QVERIFY(startAndWait(testenv::media("untagged.mp3")));
    m_reported.clear();
    QSignalSpy changes(m_player.get(), &MediaPlayer::StatusChange);
    m_player->setURL(path);
    QVERIFY(QTest::qWaitFor(
        [this] { return m_player->playState() == MediaPlayer::PlayState::Stopped; }, kWaitMs));
    QTest::qWait(150); // and it stays so
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QVERIFY(m_player->currentMedia() == nullptr);
    QCOMPARE(m_player->currentPosition(), 0.0);
    QCOMPARE(m_player->bitRate(), 0);
    QVERIFY(changes.count() >= 1);
    QCOMPARE(m_reported, QStringList());
}

void TestRealPlayback::awkwardNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("pipe") << QByteArray("a|b.mp3");
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9 \xff.mp3");
}

void TestRealPlayback::awkwardNames() {
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    const QByteArray target = QFile::encodeName(dir.path()) + '/' + name;
    QVERIFY(testenv::copyToByteName(testenv::media("tagged.mp3"), target));
    // A decoy under the name a lossy conversion would produce instead.
    const QByteArray lossy = QFile::encodeName(QString::fromLocal8Bit(target));
    if (lossy != target)
        QVERIFY(testenv::copyToByteName(testenv::media("untagged.mp3"), lossy));

    const QString path = FileNames::decode(target);
    QVERIFY(startAndWait(path));
    QCOMPARE(m_player->currentMedia()->sourceURL(), path);
    QCOMPARE(m_player->currentMedia()->getItemInfo("author"), QStringLiteral("Test Artist"));
    QCOMPARE(m_player->currentMedia()->durationString(), QStringLiteral("0:20"));
    QVERIFY(qAbs(m_player->engine().duration() - 20.0) < 0.2);
    QVERIFY(QTest::qWaitFor([this] { return m_player->currentPosition() > 0.2; }, kWaitMs));
}

QTEST_GUILESS_MAIN(TestRealPlayback)
#include "tst_realplayback.moc"
