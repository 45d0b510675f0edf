#include "player/MediaPlayer.h"
#include "support/FakeMediaEngine.h"
#include "support/FakeTagReader.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The player's own logic on a fake engine: the test says when a file starts or ends.
namespace {

// What every StatusChange saw: the play state and the current item's "author - name".
struct StatusLog {
    QList<MediaPlayer::PlayState> states;
    QStringList items; // "" when there was no current item

    void attach(MediaPlayer &player) {
        QObject::connect(&player, &MediaPlayer::StatusChange, &player, [this, &player] {
            states.append(player.playState());
            const MediaItem *item = player.currentMedia();
            items.append(item ? item->getItemInfo("author") + " - " + item->getItemInfo("name")
                              : QString());
        });
    }
};

} // namespace

class TestMediaPlayer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsEmpty();
    void setUrlStartsAtOnce();
    void attributes_data();
    void attributes();
    void durationFallsBackToEngine();
    void unplayableFileLeavesNoItem();
    void unplayableFileReplacesThePlayingOne();
    void controls_data();
    void controls();
    void controlsDoNothingWhileStopped();
    void positionOnlyWhilePlaying();
    void stopKeepsItemAndPlayRestarts();
    void endOfItem();
    void statusChangeOnlyOnChange();
    void playlistPlaysEntriesInOrder();
    void playlistWithoutPlayableEntries_data();
    void playlistWithoutPlayableEntries();
    void newMedia_data();
    void newMedia();
    void volumeAndMute();

private:
    QString writePlaylist(const QByteArray &text);

    FakeTagReader m_tags;
    FakeMediaEngine *m_engine = nullptr;
    std::unique_ptr<MediaPlayer> m_player;
    std::unique_ptr<QTemporaryDir> m_dir;
    StatusLog m_log;
};

void TestMediaPlayer::init() {
    m_tags.files.clear();
    m_tags.add("/m/song.mp3", "Artist", "Title", 185000, 128000);
    m_tags.add("/m/other.mp3", "Other Artist", "Other Title", 60000, 64000);
    auto engine = std::make_unique<FakeMediaEngine>();
    m_engine = engine.get();
    m_player = std::make_unique<MediaPlayer>(std::move(engine), m_tags);
    m_log = StatusLog();
    m_log.attach(*m_player);
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestMediaPlayer::cleanup() {
    m_player.reset();
    m_engine = nullptr;
}

QString TestMediaPlayer::writePlaylist(const QByteArray &text) {
    const QString path = m_dir->filePath(QStringLiteral("list.asx"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

void TestMediaPlayer::startsEmpty() {
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QVERIFY(m_player->currentMedia() == nullptr);
    QCOMPARE(m_player->currentPosition(), 0.0);
    QCOMPARE(m_player->bitRate(), 0);
    QCOMPARE(m_player->URL(), QString());
    QCOMPARE(m_player->volume(), 50);
    QCOMPARE(m_player->mute(), false);
    QCOMPARE(m_engine->calls, QStringList({"volume 50", "muted 0"}));
}

void TestMediaPlayer::setUrlStartsAtOnce() {
    m_engine->calls.clear();
    m_player->setURL("/m/song.mp3");
    QCOMPARE(m_engine->calls, QStringList({"open /m/song.mp3"}));
    QCOMPARE(m_player->URL(), QStringLiteral("/m/song.mp3"));
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Transitioning);
    QVERIFY(m_player->currentMedia() == nullptr);

    m_engine->startPlaying();
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Playing);
    QVERIFY(m_player->currentMedia() != nullptr);
    QCOMPARE(m_player->currentMedia()->sourceURL(), QStringLiteral("/m/song.mp3"));
    QCOMPARE(m_player->bitRate(), 128000);
    QCOMPARE(m_log.items.last(), QStringLiteral("Artist - Title"));
    QCOMPARE(m_log.states.last(), MediaPlayer::PlayState::Playing);
    // Nothing reported the item before it started.
    QCOMPARE(m_log.items.count(QStringLiteral("Artist - Title")), 1);
}

void TestMediaPlayer::attributes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("known");
    QTest::addColumn<QString>("author");
    QTest::addColumn<QString>("name");

    QTest::newRow("both tags") << "/m/a.mp3"
                               << "X"
                               << "Y" << true << "X"
                               << "Y";
    QTest::newRow("no title: file name") << "/m/untagged.mp3"
                                         << ""
                                         << "" << true << ""
                                         << "untagged";
    QTest::newRow("artist only") << "/m/b.wma"
                                 << "Band"
                                 << "" << true << "Band"
                                 << "b";
    QTest::newRow("title only") << "/m/c.mp3"
                                << ""
                                << "Only" << true << ""
                                << "Only";
    QTest::newRow("last extension only") << "/m/a.b.c.mp3"
                                         << ""
                                         << "" << true << ""
                                         << "a.b.c";
    QTest::newRow("no extension") << "/m/noext"
                                  << ""
                                  << "" << true << ""
                                  << "noext";
    QTest::newRow("nothing but an extension") << "/m/.mp3"
                                              << ""
                                              << "" << true << ""
                                              << ".mp3";
    QTest::newRow("dot in the folder") << "/m.d/file"
                                       << ""
                                       << "" << true << ""
                                       << "file";
    QTest::newRow("tags unreadable") << "/m/odd name.asf"
                                     << ""
                                     << "" << false << ""
                                     << "odd name";
}

void TestMediaPlayer::attributes() {
    QFETCH(QString, path);
    QFETCH(QString, artist);
    QFETCH(QString, title);
    QFETCH(bool, known);
    QFETCH(QString, author);
    QFETCH(QString, name);

    if (known)
        m_tags.add(path, artist, title, 1000, 1000);
    m_player->setURL(path);
    m_engine->startPlaying();
    const MediaItem *item = m_player->currentMedia();
    QVERIFY(item);
    QCOMPARE(item->getItemInfo("author"), author);
    QCOMPARE(item->getItemInfo("name"), name);
    QCOMPARE(item->getItemInfo("Author"), author);
    QCOMPARE(item->getItemInfo("title"), QString());
    // newMedia reads the same without playing.
    const MediaItem read = m_player->newMedia(path);
    QCOMPARE(read.getItemInfo("author"), author);
    QCOMPARE(read.getItemInfo("name"), name);
}

void TestMediaPlayer::durationFallsBackToEngine() {
    m_tags.add("/m/nolength.mp3", "A", "B", 0, 0);
    m_engine->fakeDuration = 42.7;
    m_player->setURL("/m/nolength.mp3");
    m_engine->startPlaying();
    QCOMPARE(m_player->currentMedia()->durationString(), QStringLiteral("0:42"));

    m_player->setURL("/m/song.mp3"); // TagLib's length wins when there is one
    m_engine->startPlaying();
    QCOMPARE(m_player->currentMedia()->durationString(), QStringLiteral("3:05"));
}

void TestMediaPlayer::unplayableFileLeavesNoItem() {
    m_player->setURL("/m/broken.mp3");
    m_engine->fakePosition = 3.0;
    m_engine->finishPlaying(true);
    QVERIFY(m_player->currentMedia() == nullptr);
    QCOMPARE(m_player->currentPosition(), 0.0);
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QCOMPARE(m_player->bitRate(), 0);
    QVERIFY(!m_log.items.isEmpty());
    QCOMPARE(m_log.items, QStringList(m_log.items.size(), QString()));
    // A late start of the failed file is not taken for an item.
    m_engine->startPlaying();
    QVERIFY(m_player->currentMedia() == nullptr);
}

void TestMediaPlayer::unplayableFileReplacesThePlayingOne() {
    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
    m_log = StatusLog();
    m_log.attach(*m_player);
    m_player->setURL("/m/broken.mp3");
    QVERIFY(m_player->currentMedia() == nullptr);
    m_engine->finishPlaying(true);
    QVERIFY(m_player->currentMedia() == nullptr);
    QCOMPARE(m_player->currentPosition(), 0.0);
    QCOMPARE(m_log.items, QStringList(m_log.items.size(), QString()));
    QCOMPARE(m_log.states.last(), MediaPlayer::PlayState::Stopped);
}

void TestMediaPlayer::controls_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<MediaPlayer::PlayState>("state");

    using S = MediaPlayer::PlayState;
    const QStringList normal = {"backward 0", "speed 1", "paused 0"};
    QTest::newRow("pause") << ""
                           << "pause" << QStringList{"paused 1"} << S::Paused;
    QTest::newRow("play after pause") << "pause"
                                      << "play" << normal << S::Playing;
    QTest::newRow("fast forward") << ""
                                  << "ff" << QStringList{"backward 0", "speed 5", "paused 0"}
                                  << S::FastForwarding;
    QTest::newRow("fast reverse") << ""
                                  << "fr" << QStringList{"backward 1", "speed 5", "paused 0"}
                                  << S::FastReversing;
    QTest::newRow("play after ff") << "ff"
                                   << "play" << normal << S::Playing;
    QTest::newRow("play after fr") << "fr"
                                   << "play" << normal << S::Playing;
    QTest::newRow("ff while paused")
        << "pause"
        << "ff" << QStringList{"backward 0", "speed 5", "paused 0"} << S::FastForwarding;
    QTest::newRow("pause while reversing") << "fr"
                                           << "pause" << QStringList{"paused 1"} << S::Paused;
    QTest::newRow("seek") << ""
                          << "seek" << QStringList{"seek 12.5"} << S::Playing;
    QTest::newRow("seek below zero") << ""
                                     << "seek-" << QStringList{"seek 0"} << S::Playing;
}

void TestMediaPlayer::controls() {
    QFETCH(QString, before);
    QFETCH(QString, action);
    QFETCH(QStringList, calls);
    QFETCH(MediaPlayer::PlayState, state);

    const auto run = [this](const QString &what) {
        if (what == "pause")
            m_player->pause();
        else if (what == "play")
            m_player->play();
        else if (what == "ff")
            m_player->fastForward();
        else if (what == "fr")
            m_player->fastReverse();
        else if (what == "seek")
            m_player->setCurrentPosition(12.5);
        else if (what == "seek-")
            m_player->setCurrentPosition(-3);
    };
    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
    run(before);
    m_engine->calls.clear();
    run(action);
    QCOMPARE(m_engine->calls, calls);
    QCOMPARE(m_player->playState(), state);
    QCOMPARE(m_log.states.last(), state);
}

void TestMediaPlayer::controlsDoNothingWhileStopped() {
    m_engine->calls.clear();
    m_player->pause();
    m_player->fastForward();
    m_player->fastReverse();
    m_player->setCurrentPosition(10);
    m_player->play(); // no URL: nothing to start
    QCOMPARE(m_engine->calls, QStringList());
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QVERIFY(m_log.states.isEmpty());
}

void TestMediaPlayer::positionOnlyWhilePlaying() {
    m_engine->fakePosition = 12.5;
    m_player->setURL("/m/song.mp3");
    QCOMPARE(m_player->currentPosition(), 0.0); // loading
    m_engine->startPlaying();
    QCOMPARE(m_player->currentPosition(), 12.5);
    m_player->pause();
    QCOMPARE(m_player->currentPosition(), 12.5);
    m_player->setURL("/m/other.mp3");
    QCOMPARE(m_player->currentPosition(), 0.0); // the next one is loading
    m_engine->startPlaying();
    m_engine->finishPlaying(false);
    QCOMPARE(m_player->currentPosition(), 0.0); // at the end
}

void TestMediaPlayer::stopKeepsItemAndPlayRestarts() {
    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
    m_engine->fakePosition = 30;
    m_engine->calls.clear();
    m_player->stop();
    QCOMPARE(m_engine->calls, QStringList({"stop"}));
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QCOMPARE(m_player->currentPosition(), 0.0);
    QVERIFY(m_player->currentMedia());
    // Whatever the engine says afterwards about the stopped file is not news.
    emit m_engine->finished(false);
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);

    m_engine->calls.clear();
    m_player->play();
    QCOMPARE(m_engine->calls, QStringList({"open /m/song.mp3"}));
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Transitioning);
    m_engine->startPlaying();
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Playing);
}

void TestMediaPlayer::endOfItem() {
    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
    m_engine->calls.clear();
    m_engine->finishPlaying(false);
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QCOMPARE(m_engine->calls, QStringList()); // nothing more to open
    QCOMPARE(m_player->currentPosition(), 0.0);
    QVERIFY(m_player->currentMedia());
    QCOMPARE(m_player->currentMedia()->getItemInfo("name"), QStringLiteral("Title"));
    m_player->play();
    QCOMPARE(m_engine->calls, QStringList({"open /m/song.mp3"}));
}

void TestMediaPlayer::statusChangeOnlyOnChange() {
    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
    const qsizetype before = m_log.states.size();
    m_player->pause();
    m_player->pause();
    m_player->setVolume(20);
    m_player->setMute(true);
    QCOMPARE(m_log.states.size(), before + 1);
    m_player->play();
    QCOMPARE(m_log.states.size(), before + 2);
    // The same file again is a new item: first no item while it loads, then the item.
    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
    QCOMPARE(m_log.items.size(), before + 4);
    QCOMPARE(m_log.items.mid(before + 2), QStringList({QString(), "Artist - Title"}));
}

void TestMediaPlayer::playlistPlaysEntriesInOrder() {
    const QString folder = m_dir->path();
    m_tags.add(folder + "/one.mp3", "Tag Artist 1", "Tag Title 1", 1000, 1000);
    m_tags.add(folder + "/sub/two.mp3", "Tag Artist 2", "Tag Title 2", 2000, 2000);
    m_tags.add("/abs/three.wma", "Tag Artist 3", "Tag Title 3", 3000, 3000);
    const QString list =
        writePlaylist("<asx version=3><author>List Author</author>\n"
                      "<entry><title>Entry One</title><author>Entry Author</author>"
                      "<ref href='one.mp3'></entry>\n"
                      "<entry><ref href=missing.mp3><ref href=\"sub\\two.mp3\">\n"
                      "<entry><ref href=\"/abs/three.wma\"/></entry></asx>");
    m_engine->calls.clear();
    m_player->setURL(list);
    QCOMPARE(m_player->URL(), list);
    QCOMPARE(m_engine->calls, QStringList({"open " + folder + "/one.mp3"}));
    m_engine->startPlaying();
    QCOMPARE(m_log.items.last(), QStringLiteral("Entry Author - Entry One"));

    m_engine->finishPlaying(false);
    QCOMPARE(m_engine->calls.last(), "open " + folder + "/missing.mp3");
    QVERIFY(m_player->currentMedia() == nullptr);
    m_engine->finishPlaying(true); // the first alternative fails: the second is tried
    QCOMPARE(m_engine->calls.last(), "open " + folder + "/sub/two.mp3");
    m_engine->startPlaying();
    QCOMPARE(m_log.items.last(), QStringLiteral("List Author - Tag Title 2"));

    m_engine->finishPlaying(false);
    QCOMPARE(m_engine->calls.last(), QStringLiteral("open /abs/three.wma"));
    m_engine->startPlaying();
    QCOMPARE(m_log.items.last(), QStringLiteral("List Author - Tag Title 3"));
    QCOMPARE(m_player->bitRate(), 3000);

    m_engine->calls.clear();
    m_engine->finishPlaying(false);
    QCOMPARE(m_engine->calls, QStringList());
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    // Each entry was reported once it started, in order, and never before.
    QStringList reported;
    for (const QString &item : std::as_const(m_log.items)) {
        if (!item.isEmpty() && (reported.isEmpty() || reported.last() != item))
            reported.append(item);
    }
    QCOMPARE(reported, QStringList({"Entry Author - Entry One", "List Author - Tag Title 2",
                                    "List Author - Tag Title 3"}));

    // play() after the end starts the list again.
    m_player->play();
    QCOMPARE(m_engine->calls, QStringList({"open " + folder + "/one.mp3"}));
}

void TestMediaPlayer::playlistWithoutPlayableEntries_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("opens");

    QTest::newRow("cut off") << QByteArray("<asx version=\"3.0\"><entry><ref href=\"nowhere.mp3\"")
                             << 0;
    QTest::newRow("no entries") << QByteArray("<asx><title>Nothing</title></asx>") << 0;
    QTest::newRow("not a playlist") << QByteArray("<entry><ref href=one.mp3></entry>") << 0;
    QTest::newRow("garbage") << QByteArray("\x00\xff\x13<<<>>>&&", 12) << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("every entry fails")
        << QByteArray("<asx><entry><ref href=a.mp3><ref href=b.mp3></entry>"
                      "<entry><ref href=c.mp3></entry></asx>")
        << 3;
}

void TestMediaPlayer::playlistWithoutPlayableEntries() {
    QFETCH(QByteArray, text);
    QFETCH(int, opens);

    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
    m_log = StatusLog();
    m_log.attach(*m_player);
    m_engine->calls.clear();
    m_player->setURL(writePlaylist(text));
    for (int i = 0; i < opens; ++i)
        m_engine->finishPlaying(true);
    QCOMPARE(m_engine->calls.filter(QStringLiteral("open ")).size(), opens);
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QCOMPARE(m_engine->state(), MediaEngine::State::Idle);
    QVERIFY(m_player->currentMedia() == nullptr);
    QCOMPARE(m_player->currentPosition(), 0.0);
    QVERIFY(!m_log.items.isEmpty());
    QCOMPARE(m_log.items, QStringList(m_log.items.size(), QString()));
}

void TestMediaPlayer::newMedia_data() {
    QTest::addColumn<QByteArray>("playlist");
    QTest::addColumn<QString>("author");
    QTest::addColumn<QString>("name");

    QTest::newRow("own title and author")
        << QByteArray("<ASX><TITLE>Mix</TITLE><AUTHOR>DJ</AUTHOR><ENTRY><REF HREF=a.mp3></ENTRY>")
        << "DJ"
        << "Mix";
    QTest::newRow("entry elements are not the playlist's")
        << QByteArray("<asx><entry><title>E</title><author>EA</author><ref href=a.mp3></entry>")
        << ""
        << "list";
    QTest::newRow("malformed") << QByteArray("<asx version=\"3.0\"><entry><ref href=\"x.mp3\"")
                               << ""
                               << "list";
}

void TestMediaPlayer::newMedia() {
    QFETCH(QByteArray, playlist);
    QFETCH(QString, author);
    QFETCH(QString, name);

    m_engine->calls.clear();
    const MediaItem item = m_player->newMedia(writePlaylist(playlist));
    QCOMPARE(item.getItemInfo("author"), author);
    QCOMPARE(item.getItemInfo("name"), name);
    QCOMPARE(m_engine->calls, QStringList()); // nothing played

    const MediaItem file = m_player->newMedia("/m/song.mp3");
    QCOMPARE(file.durationString(), QStringLiteral("3:05"));
    QCOMPARE(file.bitRate(), 128000);
    QCOMPARE(m_player->newMedia("/m/missing.mp3").getItemInfo("name"), QStringLiteral("missing"));
}

void TestMediaPlayer::volumeAndMute() {
    m_player->setVolume(80);
    QCOMPARE(m_player->volume(), 80);
    m_player->setVolume(150);
    QCOMPARE(m_player->volume(), 100);
    m_player->setVolume(-4);
    QCOMPARE(m_player->volume(), 0);
    m_player->setMute(true);
    QVERIFY(m_player->mute());
    QVERIFY(m_engine->isMuted());
}

QTEST_GUILESS_MAIN(TestMediaPlayer)
#include "tst_mediaplayer.moc"
