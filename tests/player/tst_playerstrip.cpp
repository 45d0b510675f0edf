#include "player/MediaPlayer.h"
#include "player/PlayerStrip.h"
#include "support/FakeMediaEngine.h"
#include "support/FakeTagReader.h"

#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <memory>

class TestPlayerStrip : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void childrenAndSize_data();
    void childrenAndSize();
    void layoutFitsTheStrip();
    void refreshesOnlyWhilePlayingAndShown();
    void showsTimes();
    void playPauseButton_data();
    void playPauseButton();
    void stopButton();
    void volumeAndMute();
    void clickOnSeekBarJumps();

private:
    template <typename T> T *child(const char *name) {
        return m_strip->findChild<T *>(QLatin1String(name));
    }
    void startSong();

    FakeTagReader m_tags;
    FakeMediaEngine *m_engine = nullptr;
    std::unique_ptr<MediaPlayer> m_player;
    std::unique_ptr<PlayerStrip> m_strip;
};

void TestPlayerStrip::init() {
    m_tags.files.clear();
    m_tags.add("/m/song.mp3", "Artist", "Title", 185000, 128000);
    auto engine = std::make_unique<FakeMediaEngine>();
    m_engine = engine.get();
    m_player = std::make_unique<MediaPlayer>(std::move(engine), m_tags);
    m_strip = std::make_unique<PlayerStrip>(*m_player);
    m_strip->resize(320, 41);
}

void TestPlayerStrip::cleanup() {
    m_strip.reset();
    m_player.reset();
}

void TestPlayerStrip::startSong() {
    m_player->setURL("/m/song.mp3");
    m_engine->startPlaying();
}

void TestPlayerStrip::childrenAndSize_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::newRow("play/pause") << "btnPlayPause"
                                << "QToolButton";
    QTest::newRow("stop") << "btnStop"
                          << "QToolButton";
    QTest::newRow("mute") << "btnMute"
                          << "QToolButton";
    QTest::newRow("seek") << "sldSeek"
                          << "QSlider";
    QTest::newRow("volume") << "sldVolume"
                            << "QSlider";
    QTest::newRow("elapsed") << "labElapsed"
                             << "QLabel";
    QTest::newRow("total") << "labTotal"
                           << "QLabel";
}

void TestPlayerStrip::childrenAndSize() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    QWidget *widget = m_strip->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), type);
    QCOMPARE(m_strip->sizeHint(), QSize(320, 41));
    QVERIFY(m_strip->objectName().isEmpty()); // the main window names it
}

void TestPlayerStrip::layoutFitsTheStrip() {
    m_strip->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_strip.get()));
    const QList<QWidget *> parts = {child<QWidget>("btnPlayPause"), child<QWidget>("btnStop"),
                                    child<QWidget>("btnMute"),      child<QWidget>("sldSeek"),
                                    child<QWidget>("sldVolume"),    child<QWidget>("labElapsed"),
                                    child<QWidget>("labTotal")};
    for (QWidget *part : parts) {
        QVERIFY2(part->isVisible(), qPrintable(part->objectName()));
        QVERIFY2(m_strip->rect().contains(part->geometry()), qPrintable(part->objectName()));
        QVERIFY2(part->width() >= 16 && part->height() >= 10, qPrintable(part->objectName()));
        for (QWidget *other : parts) {
            if (other != part)
                QVERIFY2(!part->geometry().intersects(other->geometry()),
                         qPrintable(part->objectName() + " overlaps " + other->objectName()));
        }
    }
    // The seek bar gets most of the width.
    QVERIFY(child<QWidget>("sldSeek")->width() >= 200);
}

void TestPlayerStrip::refreshesOnlyWhilePlayingAndShown() {
    QVERIFY(!m_strip->isRefreshing()); // hidden and idle
    m_strip->show();
    QVERIFY(!m_strip->isRefreshing()); // idle
    startSong();
    QVERIFY(m_strip->isRefreshing());
    m_strip->hide();
    QVERIFY(!m_strip->isRefreshing());
    m_strip->show();
    QVERIFY(m_strip->isRefreshing());
    m_player->pause();
    QVERIFY(!m_strip->isRefreshing());
    m_player->fastReverse();
    QVERIFY(m_strip->isRefreshing());
    m_engine->finishPlaying(false);
    QVERIFY(!m_strip->isRefreshing());
}

void TestPlayerStrip::showsTimes() {
    auto *elapsed = child<QLabel>("labElapsed");
    auto *total = child<QLabel>("labTotal");
    QCOMPARE(elapsed->text(), QStringLiteral("0:00"));
    QCOMPARE(total->text(), QStringLiteral("0:00"));
    m_strip->show();
    startSong();
    QCOMPARE(total->text(), QStringLiteral("3:05"));
    m_engine->fakePosition = 72.9;
    QTRY_COMPARE(elapsed->text(), QStringLiteral("1:12"));
    QCOMPARE(child<QSlider>("sldSeek")->maximum(), 185000);
    QCOMPARE(child<QSlider>("sldSeek")->value(), 72900);
    m_player->stop();
    QCOMPARE(elapsed->text(), QStringLiteral("0:00"));
    QCOMPARE(child<QSlider>("sldSeek")->value(), 0);
}

void TestPlayerStrip::playPauseButton_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("call");
    QTest::addColumn<MediaPlayer::PlayState>("after");

    using S = MediaPlayer::PlayState;
    QTest::newRow("playing: pauses") << ""
                                     << "paused 1" << S::Paused;
    QTest::newRow("paused: plays") << "pause"
                                   << "paused 0" << S::Playing;
    QTest::newRow("fast forward: normal play") << "ff"
                                               << "speed 1" << S::Playing;
    QTest::newRow("fast reverse: normal play") << "fr"
                                               << "backward 0" << S::Playing;
    QTest::newRow("stopped: starts again") << "stop"
                                           << "open /m/song.mp3" << S::Transitioning;
}

void TestPlayerStrip::playPauseButton() {
    QFETCH(QString, before);
    QFETCH(QString, call);
    QFETCH(MediaPlayer::PlayState, after);

    m_strip->show();
    startSong();
    if (before == "pause")
        m_player->pause();
    else if (before == "ff")
        m_player->fastForward();
    else if (before == "fr")
        m_player->fastReverse();
    else if (before == "stop")
        m_player->stop();
    m_engine->calls.clear();
    QTest::mouseClick(child<QToolButton>("btnPlayPause"), Qt::LeftButton);
    QVERIFY2(m_engine->calls.contains(call), qPrintable(m_engine->calls.join(", ")));
    QCOMPARE(m_player->playState(), after);
}

void TestPlayerStrip::stopButton() {
    m_strip->show();
    startSong();
    m_engine->calls.clear();
    QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);
    QCOMPARE(m_engine->calls, QStringList({"stop"}));
    QCOMPARE(m_player->playState(), MediaPlayer::PlayState::Stopped);
    QVERIFY(!m_strip->isRefreshing());
}

void TestPlayerStrip::volumeAndMute() {
    m_strip->show();
    auto *volume = child<QSlider>("sldVolume");
    auto *mute = child<QToolButton>("btnMute");
    QCOMPARE(volume->value(), 50);
    QVERIFY(!mute->isChecked());
    volume->setValue(30);
    QCOMPARE(m_player->volume(), 30);
    QTest::mouseClick(mute, Qt::LeftButton);
    QVERIFY(m_player->mute());
    QVERIFY(mute->isChecked());
    QTest::mouseClick(mute, Qt::LeftButton);
    QVERIFY(!m_player->mute());
    // Changes made elsewhere show on the next status change.
    m_player->setVolume(80);
    m_player->setMute(true);
    startSong();
    QCOMPARE(volume->value(), 80);
    QVERIFY(mute->isChecked());
}

void TestPlayerStrip::clickOnSeekBarJumps() {
    m_strip->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_strip.get()));
    startSong();
    auto *seek = child<QSlider>("sldSeek");
    m_engine->calls.clear();
    QTest::mouseClick(seek, Qt::LeftButton, {}, QPoint(seek->width() * 3 / 4, seek->height() / 2));
    const QStringList seeks = m_engine->calls.filter(QStringLiteral("seek "));
    QCOMPARE(seeks.size(), 1);
    const double target = seeks.first().mid(5).toDouble();
    // Three quarters into 185 s, give or take the handle's width.
    QVERIFY2(target > 185 * 0.6 && target < 185 * 0.9, qPrintable(seeks.first()));
}

QTEST_MAIN(TestPlayerStrip)
#include "tst_playerstrip.moc"
