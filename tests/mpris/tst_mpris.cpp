// The player on a private session bus as the desktop's media controls see it: the real main
// window (fake engine and tags) behind the real MPRIS object, called over a second connection
// as another program would. ctest runs it under dbus-run-session.
#include "app/MainWindow.h"
#include "mpris/MprisService.h"
#include "session/Session.h"
#include "session/SessionRemote.h"
#include "support/TestPlatform.h"
#include "tray/TrayControl.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QLabel>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <limits>

namespace {

const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// Track ids stay out of /org/mpris, which the interface keeps for itself.
const QString kTrackIds = QStringLiteral("/org/zandoramp/track/");
const QString kTrack2 = kTrackIds + "2";

QVariant unwrap(const QVariant &value) {
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value;
}

} // namespace

class TestMpris : public QObject {
    Q_OBJECT
signals:
    void propertiesChanged(const QString &iface, const QVariantMap &changed, const QStringList &);
    void seeked(qlonglong position);

private slots:
    void initTestCase();
    void init();
    void properties_data();
    void properties();
    void methods_data();
    void methods();
    void metadataTypes();
    void fastMotionIsSeeked();
    void positionIsNeverAnnounced();
    void theStripBothWays();
    void raiseFromTheTray();
    void registration();
    void quitRunsTheCloseSequence();

private:
    QDBusMessage call(const QString &iface, const QString &method, const QVariantList &args = {});
    QVariant get(const QString &iface, const QString &name);
    // The properties announced since the last clear. D-Bus keeps one sender's messages in order,
    // so once a volume change set now has arrived, everything announced before it has too.
    QSet<QString> announcedUntilNow();

    TestPlatform m_platform;
    QPointer<MainWindow> m_window;
    SessionRemote m_remote;
    std::unique_ptr<MprisService> m_service;
    QDBusConnection m_client{QString()};
    std::unique_ptr<QSignalSpy> m_changes;
    std::unique_ptr<QSignalSpy> m_seeks;
    double m_barrier = 0.4;
    // PlaybackStatus as the signals told it, and how often Metadata was announced empty while
    // that status was not Stopped.
    QString m_status = QStringLiteral("Playing");
    int m_blankWhilePlaying = 0;
};

void TestMpris::initTestCase() {
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus could be started: run under dbus-run-session (package dbus-daemon)");
    m_window = new MainWindow(m_platform.platform());
    m_remote.follow(&m_window->session(), m_window->tray().remoteView());
    m_window->runLoadSequence();
    // No repeats: Next never draws the entry that plays, so every Next changes the track.
    m_window->SetSetting("nrep", "1");
    for (const QString name : {"A", "B", "C"}) {
        m_platform.tags.add("/music/" + name + ".mp3", "Artist " + name, "Title " + name, 4000);
        m_window->AddIt(name + ".mp3", QStringLiteral("/music"));
    }
    m_service = std::make_unique<MprisService>(m_remote);
    QVERIFY(m_service->registerOn(QDBusConnection::sessionBus()));

    m_client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
    QVERIFY(m_client.connect(MprisService::kName, MprisService::kPath, kProperties,
                             "PropertiesChanged", this,
                             SIGNAL(propertiesChanged(QString, QVariantMap, QStringList))));
    QVERIFY(m_client.connect(MprisService::kName, MprisService::kPath, kPlayer, "Seeked", this,
                             SIGNAL(seeked(qlonglong))));
    m_changes = std::make_unique<QSignalSpy>(this, &TestMpris::propertiesChanged);
    m_seeks = std::make_unique<QSignalSpy>(this, &TestMpris::seeked);
}

void TestMpris::init() {
    // Each test starts with B.mp3 (entry 2) playing one second in.
    m_window->session().startEntry(1);
    // This start is not announced in the chat, so that the chat hears only what a test does.
    m_window->findChild<QTimer *>("Timer1")->stop();
    FakeMediaEngine *engine = m_platform.lastEngine();
    engine->fakeDuration = 4.0;
    engine->startPlaying();
    engine->fakePosition = 1.0;
    announcedUntilNow();
    m_seeks->clear();
}

QDBusMessage TestMpris::call(const QString &iface, const QString &method,
                             const QVariantList &args) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(MprisService::kName, MprisService::kPath, iface, method);
    message.setArguments(args);
    return m_client.call(message, QDBus::BlockWithGui);
}

QVariant TestMpris::get(const QString &iface, const QString &name) {
    const QList<QVariant> reply = call(kProperties, "Get", {iface, name}).arguments();
    return reply.isEmpty() ? QVariant() : unwrap(reply.first().value<QDBusVariant>().variant());
}

QSet<QString> TestMpris::announcedUntilNow() {
    m_barrier = m_barrier == 0.4 ? 0.6 : 0.4;
    call(kProperties, "Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(m_barrier))});
    QSet<QString> names;
    if (!QTest::qWaitFor([&] {
            return !m_changes->isEmpty() &&
                   m_changes->last().at(1).toMap().value("Volume") == m_barrier;
        }))
        qWarning("the volume change never arrived");
    for (const QList<QVariant> &signal : std::as_const(*m_changes)) {
        const QVariantMap changed = signal.at(1).toMap();
        names.unite(QSet<QString>(changed.keyBegin(), changed.keyEnd()));
        m_status = changed.value("PlaybackStatus", m_status).toString();
        if (changed.contains("Metadata") && unwrap(changed.value("Metadata")).toMap().isEmpty() &&
            m_status != "Stopped")
            ++m_blankWhilePlaying;
    }
    m_changes->clear();
    names.remove("Volume");
    return names;
}

void TestMpris::properties_data() {
    QTest::addColumn<QString>("iface");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    for (const char *name : {"CanQuit", "CanRaise"})
        QTest::newRow(name) << kRoot << name << QVariant(true);
    QTest::newRow("HasTrackList") << kRoot << "HasTrackList" << QVariant(false);
    for (const char *name : {"Identity", "DesktopEntry"})
        QTest::newRow(name) << kRoot << name << QVariant("zandoramp");
    QTest::newRow("schemes") << kRoot << "SupportedUriSchemes" << QVariant(QStringList{"file"});
    for (const char *name : {"Rate", "MinimumRate", "MaximumRate"})
        QTest::newRow(name) << kPlayer << name << QVariant(1.0);
    for (const char *name : {"CanGoNext", "CanControl", "CanPlay", "CanPause", "CanSeek"})
        QTest::newRow(name) << kPlayer << name << QVariant(true);
    QTest::newRow("CanGoPrevious") << kPlayer << "CanGoPrevious" << QVariant(false);
    QTest::newRow("PlaybackStatus") << kPlayer << "PlaybackStatus" << QVariant("Playing");
    QTest::newRow("Position, int64 us") << kPlayer << "Position" << QVariant(1000000LL);
}

void TestMpris::properties() {
    QFETCH(QString, iface);
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    const QVariant actual = get(iface, name);
    QCOMPARE(actual.metaType(), value.metaType());
    QCOMPARE(actual, value);
}

void TestMpris::methods_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("announced");
    QTest::addColumn<qlonglong>("seekedTo");
    QTest::addColumn<QString>("error");
    const QVariant track2 = QVariant::fromValue(QDBusObjectPath(kTrack2));
    const QVariant track1 = QVariant::fromValue(QDBusObjectPath(kTrackIds + "1"));
    const QStringList started{"Metadata"}, paused{"PlaybackStatus"}, none;
    const char *refused = "org.freedesktop.DBus.Error.InvalidArgs";
    const auto row = [](const char *name, const char *method, const QVariantList &args,
                        const char *status, const QStringList &announced, qlonglong seekedTo = -1,
                        const char *error = "") {
        QTest::newRow(name) << method << args << status << announced << seekedTo << error;
    };
    row("Pause", "Pause", {}, "Paused", paused);
    row("PlayPause", "PlayPause", {}, "Paused", paused);
    row("Play", "Play", {}, "Playing", none);
    row("Stop", "Stop", {}, "Stopped", {"PlaybackStatus", "CanSeek"});
    row("Next", "Next", {}, "Playing", started);
    row("Next while paused stays paused", "Pause,Next", {}, "Paused",
        {"PlaybackStatus", "Metadata", "CanSeek"});
    row("Next while stopped stays stopped", "Stop,Next", {}, "Stopped",
        {"PlaybackStatus", "CanSeek", "Metadata"});
    row("Play after Stop", "Stop,Play", {}, "Playing", {"PlaybackStatus", "CanSeek"});
    row("OpenUri", "OpenUri", {"file:///music/C.mp3"}, "Playing", started);
    row("OpenUri elsewhere", "OpenUri", {"file:///else/C.mp3"}, "Playing", none, -1, refused);
    row("OpenUri, web", "OpenUri", {"http://example.org/C.mp3"}, "Playing", none, -1, refused);
    row("Seek", "Seek", {2000000LL}, "Playing", none, 3000000);
    row("Seek before 0", "Seek", {-5000000LL}, "Playing", none, 0);
    row("Seek past the end is Next", "Seek", {5000000LL}, "Playing", started);
    row("Seek by the most there is", "Seek", {std::numeric_limits<qlonglong>::max()}, "Playing",
        started);
    row("SetPosition", "SetPosition", {track2, 2500000LL}, "Playing", none, 2500000);
    row("SetPosition, old track", "SetPosition", {track1, 2500000LL}, "Playing", none);
    row("SetPosition past the end", "SetPosition", {track2, 4000001LL}, "Playing", none);
}

void TestMpris::methods() {
    QFETCH(QString, method);
    QFETCH(QVariantList, args);
    QFETCH(QString, status);
    QFETCH(QStringList, announced);
    QFETCH(qlonglong, seekedTo);
    QFETCH(QString, error);
    const QStringList chatBefore = m_platform.chat.sent;
    // A row may call several methods, the last with the arguments; each file opened starts.
    QStringList methods = method.split(',');
    const QString last = methods.takeLast();
    for (const QString &first : methods) {
        QCOMPARE(call(kPlayer, first).errorName(), QString());
        m_platform.lastEngine()->startPlaying();
    }
    QCOMPARE(call(kPlayer, last, args).errorName(), error);
    m_platform.lastEngine()->startPlaying();
    m_blankWhilePlaying = 0;
    const QSet<QString> names = announcedUntilNow();
    QCOMPARE(m_blankWhilePlaying, 0);
    QVERIFY2(!names.contains("Position"), "the position is never announced");
    QCOMPARE(names, QSet<QString>(announced.begin(), announced.end()));
    QCOMPARE(get(kPlayer, "PlaybackStatus").toString(), status);
    QCOMPARE(m_seeks->size(), seekedTo < 0 ? 0 : 1);
    if (seekedTo >= 0)
        QCOMPARE(m_seeks->first().first().toLongLong(), seekedTo);
    // Nothing is said in the chat (a file started is announced half a second later, as any).
    if (!announced.contains("Metadata"))
        QCOMPARE(m_platform.chat.sent, chatBefore);
}

void TestMpris::metadataTypes() {
    // The usual faults: a track id sent as a string, lengths in milliseconds or as a double.
    const QVariantMap metadata = get(kPlayer, "Metadata").toMap();
    const QVariant id = metadata.value("mpris:trackid");
    QCOMPARE(id.metaType(), QMetaType::fromType<QDBusObjectPath>());
    QCOMPARE(id.value<QDBusObjectPath>().path(), kTrack2);
    QCOMPARE(metadata.value("mpris:length").metaType(), QMetaType::fromType<qlonglong>());
    QCOMPARE(metadata.value("mpris:length").toLongLong(), 4000000LL);
    QCOMPARE(metadata.value("xesam:title"), QVariant("Title B"));
    QCOMPARE(metadata.value("xesam:artist"), QVariant(QStringList{"Artist B"}));
    QCOMPARE(metadata.value("xesam:url"), QVariant("file:///music/B.mp3"));
    // What Next announces is what is read, and the track is the number the window shows.
    QSignalSpy changes(this, &TestMpris::propertiesChanged);
    call(kPlayer, "Next");
    m_platform.lastEngine()->startPlaying();
    QTRY_VERIFY(!changes.isEmpty());
    const QVariantMap announced = unwrap(changes.first().at(1).toMap().value("Metadata")).toMap();
    QCOMPARE(announced, get(kPlayer, "Metadata").toMap());
    QCOMPARE(announced.value("mpris:trackid").value<QDBusObjectPath>().path(),
             kTrackIds + m_window->findChild<QLabel *>("txtNum")->text());
}

void TestMpris::fastMotionIsSeeked() {
    // The position runs at five times the rate the desktop counts with: it hears where it is
    // while that lasts, and where normal play resumes.
    MediaPlayer &player = m_window->session().player();
    for (const auto fast : {&MediaPlayer::fastForward, &MediaPlayer::fastReverse}) {
        m_seeks->clear();
        (player.*fast)();
        QTRY_VERIFY(m_seeks->size() >= 2);
        m_platform.lastEngine()->fakePosition = 3.5;
        player.play();
        QTRY_VERIFY(!m_seeks->isEmpty() && m_seeks->last().first().toLongLong() == 3500000);
        QCOMPARE(get(kPlayer, "Rate"), QVariant(1.0));
    }
}

void TestMpris::positionIsNeverAnnounced() {
    // As the interface's own description declares it, so that clients poll it.
    const QString xml =
        call("org.freedesktop.DBus.Introspectable", "Introspect").arguments().value(0).toString();
    QXmlStreamReader reader(xml);
    QString iface, property;
    QMap<QString, QString> emits;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == u"interface")
            iface = attributes.value("name").toString();
        else if (reader.name() == u"property")
            property = attributes.value("name").toString();
        else if (reader.name() == u"annotation" && iface == kPlayer &&
                 attributes.value("name") == u"org.freedesktop.DBus.Property.EmitsChangedSignal")
            emits.insert(property, attributes.value("value").toString());
    }
    QCOMPARE(emits.value("Position"), QStringLiteral("false"));
    QCOMPARE(emits.value("CanControl"), QStringLiteral("false"));
    QCOMPARE(emits.value("Metadata", "true"), QStringLiteral("true"));
}

void TestMpris::theStripBothWays() {
    auto *volume = m_window->findChild<QSlider *>("sldVolume");
    call(kProperties, "Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(0.25))});
    QCOMPARE(volume->value(), 25);
    volume->setValue(70);
    QTRY_VERIFY(!m_changes->isEmpty() &&
                m_changes->last().at(1).toMap().value("Volume") == QVariant(0.7));
    // A seek from the window's bar is told to the desktop too.
    auto *bar = m_window->findChild<QSlider *>("sldSeek");
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() * 3 / 4, bar->height() / 2));
    QTRY_COMPARE(m_seeks->size(), 1);
    QCOMPARE(m_seeks->first().first().toLongLong(),
             qlonglong(m_platform.lastEngine()->fakePosition * 1e6));
}

void TestMpris::raiseFromTheTray() {
    m_window->chameleonButton7_Click();
    QVERIFY(m_window->isHidden());
    call(kRoot, "Raise");
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_platform.tray.calls.last(), QStringLiteral("remove"));
    QTRY_VERIFY(m_window->isActiveWindow());
}

void TestMpris::registration() {
    // A second copy of the player, on a connection of its own, finds the name taken.
    MprisService copy(m_remote);
    QVERIFY(copy.registerOn(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "copy")));
    QCOMPARE(copy.serviceName(), QStringLiteral("org.mpris.MediaPlayer2.zandoramp.instance%1")
                                     .arg(QCoreApplication::applicationPid()));
    // No bus: one debug line, and the player goes on without.
    MprisService offline(m_remote);
    QLoggingCategory::setFilterRules("zandoramp.mpris.debug=true");
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^No session bus"));
    QVERIFY(!offline.registerOn(QDBusConnection(QStringLiteral("never connected"))));
}

void TestMpris::quitRunsTheCloseSequence() {
    call(kRoot, "Quit");
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(m_platform.readSettings().contains("tray1\r\n"));
    QTRY_COMPARE(get(kPlayer, "PlaybackStatus"), QVariant("Stopped"));
    QCOMPARE(get(kPlayer, "Metadata").toMap(), QVariantMap());
}

QTEST_MAIN(TestMpris)
#include "tst_mpris.moc"
