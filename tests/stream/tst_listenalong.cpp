// Listening along, end to end: the real player (libmpv, null audio output) driven from a real
// chat room, streaming from its own server and to a real Icecast server, and ffmpeg as the
// listener. Each song is a tone of its own pitch, so the listener tells which one it hears.
#include "app/MainWindow.h"
#include "chat/ChatScanner.h"
#include "library/Library.h"
#include "platform/ChatRoomClient.h"
#include "player/MediaPlayer.h"
#include "session/Session.h"
#include "session/StreamFollower.h"
#include "stream/StreamService.h"
#include "support/IcecastServer.h"
#include "support/RoomPlayer.h"
#include "support/TestChatRoom.h"
#include "support/TestEnv.h"
#include "support/TestPlatform.h"
#include "support/ToneListener.h"
#include "tray/MenuForm.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kMount = QStringLiteral("/live.mp3");
// Generous for a loaded machine; the benchmark measures the real delays.
constexpr int kHearMs = 15000;
// Another machine, as the server sees it.
const QHostAddress kOtherAddress(QStringLiteral("127.0.0.2"));

} // namespace

class TestListenAlong : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void listenTellsTheAddress();
    void songIsHeard_data();
    void songIsHeard();
    void seeksAndFastForward();
    void pauseIsSilence();
    void titles();
    void eightListeners();
    void stalledListenerIsDropped();
    void httpAnswers_data();
    void httpAnswers();
    void icecastRefuses_data();
    void icecastRefuses();
    void icecastRestarted();

private:
    bool say(const QString &text);
    bool transcriptHasLine(const QString &text);
    QString ownUrl() const;
    QString mountUrl() const;
    std::unique_ptr<QTcpSocket> connectFrom(const QHostAddress &from);
    QByteArray request(const QByteArray &head, int bytes,
                       const QHostAddress &from = QHostAddress(QHostAddress::LocalHost),
                       int gapMs = 0);
    bool playerAdvances();

    QTemporaryDir m_folder;
    IcecastServer m_icecast;
    StreamService m_stream;
    StreamSettings m_settings;
    std::unique_ptr<RoomPlayer> m_rig;
    MainWindow *m_window = nullptr;
    TestChatRoom *m_room = nullptr;
};

void TestListenAlong::initTestCase() {
    if (IcecastServer::executable().isEmpty())
        QSKIP("icecast2 is not installed (scripts/deps installs it)");
    QVERIFY2(m_icecast.start(), qPrintable(m_icecast.errorString()));
    const QString music = m_folder.filePath("music");
    QVERIFY(QDir().mkpath(music + "/more"));
    for (const char *name : {"tone400.mp3", "tone700.mp3", "twotone.mp3"})
        QVERIFY(QFile::copy(testenv::media(name), music + '/' + name));
    QFile password(m_folder.filePath("source-password"));
    QVERIFY(password.open(QIODevice::WriteOnly));
    password.write(QByteArray(IcecastServer::kSourcePassword) + "\n");
    password.close();

    // Both outputs, as the command line would give them.
    QCOMPARE(m_settings.setListen(QString::number(testenv::freePort())), QString());
    m_settings.maxListeners = 9;
    m_settings.maxListenersPerAddress = 8;
    QCOMPARE(m_settings.setIcecast(
                 QStringLiteral("icecast://127.0.0.1:%1%2").arg(m_icecast.port()).arg(kMount)),
             QString());
    m_settings.passwordFile = password.fileName();
    m_rig = std::make_unique<RoomPlayer>();
    QVERIFY(m_rig->start(music, &m_stream, m_settings));
    m_window = m_rig->window;
    m_room = &m_rig->room;
    QCOMPARE(m_window->session().songs().count(), 3);
    QVERIFY(m_stream.isOn());
    // Through a retry or two on a loaded machine (1 s, 2 s, 4 s ... apart).
    QTRY_COMPARE_WITH_TIMEOUT(m_stream.icecastStatus(),
                              std::optional(IcecastOutput::Status::Streaming), 2 * kHearMs);
}

void TestListenAlong::cleanupTestCase() {
    m_rig.reset();
}

void TestListenAlong::init() {
    QVERIFY(m_rig->settle());
}

bool TestListenAlong::say(const QString &text) {
    return m_rig->say(text);
}

bool TestListenAlong::transcriptHasLine(const QString &text) {
    return m_rig->saidLine(text);
}

QString TestListenAlong::ownUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_stream.settings().listenPort);
}

QString TestListenAlong::mountUrl() const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_icecast.port()).arg(kMount);
}

bool TestListenAlong::playerAdvances() {
    const double before = m_window->session().player().currentPosition();
    return QTest::qWaitFor(
        [&] { return m_window->session().player().currentPosition() > before + 0.2; }, 5000);
}

void TestListenAlong::listenTellsTheAddress() {
    // The mount is the address for many listeners, and so the one the room is told.
    QVERIFY(say("listen"));
    QTRY_VERIFY(transcriptHasLine("listen along: " + mountUrl()));
    QAction *item = m_window->frmx()->item("mnuListen");
    QVERIFY(item->isChecked());
    item->trigger();
    QVERIFY(!m_stream.isOn());
    QCOMPARE(m_window->GetSetting("lion"), "0");
    QVERIFY(say("listen"));
    QTRY_VERIFY(transcriptHasLine("listen along is off"));
    // On again: the remembered stream, both outputs.
    item->trigger();
    QVERIFY(m_stream.isOn());
    QVERIFY(item->isChecked());
    QCOMPARE(m_window->GetSetting("lion"), "1");
    QCOMPARE(m_window->GetSetting("lice"), m_settings.icecastText());
    QTRY_COMPARE_WITH_TIMEOUT(m_stream.icecastStatus(),
                              std::optional(IcecastOutput::Status::Streaming), 2 * kHearMs);
}

void TestListenAlong::songIsHeard_data() {
    QTest::addColumn<bool>("icecast");
    QTest::newRow("own server") << false;
    QTest::newRow("icecast") << true;
}

void TestListenAlong::songIsHeard() {
    QFETCH(bool, icecast);
    QVERIFY(say("p blue"));
    ToneListener listener(icecast ? mountUrl() : ownUrl());
    QVERIFY2(listener.hears(400, kHearMs), qPrintable(listener.errors()));
    // The next song on the same connection.
    QElapsedTimer sinceCommand;
    sinceCommand.start();
    QVERIFY(say("p red"));
    QVERIFY2(listener.hears(700, kHearMs), qPrintable(listener.errors()));
    qInfo("the next song heard %lld ms after its command", sinceCommand.elapsed());
    QVERIFY(listener.isConnected());
}

void TestListenAlong::seeksAndFastForward() {
    // The song is 20 s of one tone, then 20 s of another.
    QVERIFY(say("p green"));
    ToneListener listener(ownUrl());
    QVERIFY(listener.hears(1000, kHearMs));
    QElapsedTimer sinceSeek;
    sinceSeek.start();
    m_window->session().player().setCurrentPosition(25);
    QVERIFY(listener.hears(1300, kHearMs));
    qInfo("the seek heard after %lld ms", sinceSeek.elapsed());
    // Started again, from its beginning; fast forward plays on at normal speed from where the
    // player has got to, which passes 20 s within a few seconds.
    QVERIFY(say("p green"));
    QVERIFY(listener.hears(1000, kHearMs));
    QVERIFY(say("ff"));
    QVERIFY(listener.hears(1300, kHearMs));
    QVERIFY(m_window->session().player().currentPosition() > 20);
    QVERIFY(say("play"));
}

void TestListenAlong::pauseIsSilence() {
    QVERIFY(say("p blue"));
    ToneListener listener(ownUrl());
    QVERIFY(listener.hears(400, kHearMs));
    QVERIFY(say("pause"));
    QVERIFY(listener.hearsSilence(kHearMs));
    QVERIFY(say("play"));
    QVERIFY(listener.hears(400, kHearMs));
    QVERIFY(listener.isConnected());
    // Volume and mute are the user's own: the stream does not change with them.
    m_window->session().player().setMute(true);
    const double before = listener.received();
    QVERIFY(QTest::qWaitFor([&] { return listener.received() > before + 2.0; }, kHearMs));
    QVERIFY(ToneListener::isTone(listener.latest(), 400));
    m_window->session().player().setMute(false);
}

std::unique_ptr<QTcpSocket> TestListenAlong::connectFrom(const QHostAddress &from) {
    // The server runs on the stream's thread, so this one may block.
    auto socket = std::make_unique<QTcpSocket>();
    if (!socket->bind(from))
        return nullptr;
    socket->connectToHost(QHostAddress::LocalHost, m_stream.settings().listenPort);
    return socket->waitForConnected(3000) ? std::move(socket) : nullptr;
}

QByteArray TestListenAlong::request(const QByteArray &head, int bytes, const QHostAddress &from,
                                    int gapMs) {
    const auto socket = connectFrom(from);
    if (!socket)
        return "not connected";
    // With a gap, a byte at a time until the server answers.
    for (qsizetype at = 0; at < head.size() && socket->bytesAvailable() == 0 &&
                           socket->state() == QAbstractSocket::ConnectedState;) {
        const qsizetype take = gapMs > 0 ? 1 : head.size();
        socket->write(head.mid(at, take));
        at += take;
        if (gapMs > 0)
            socket->waitForReadyRead(gapMs);
    }
    QByteArray answer;
    while (answer.size() < bytes && socket->waitForReadyRead(5000))
        answer += socket->readAll();
    return answer + socket->readAll();
}

void TestListenAlong::titles() {
    QVERIFY(say("p blue"));
    QTRY_VERIFY_WITH_TIMEOUT(m_icecast.status().contains("\"title\":\"Tone Band - Blue Lagoon\""),
                             kHearMs);
    // About four seconds of audio hold several metadata blocks.
    const QByteArray answer = request("GET / HTTP/1.1\r\nIcy-MetaData: 1\r\n\r\n", 70000);
    const qsizetype body = answer.indexOf("\r\n\r\n") + 4;
    QVERIFY(answer.startsWith("HTTP/1.0 200 OK\r\n"));
    QVERIFY(answer.left(body).contains("\r\nicy-name: zandor amp\r\n"));
    QVERIFY(answer.left(body).contains("\r\nContent-Type: audio/mpeg\r\n"));
    QVERIFY(answer.left(body).contains("\r\nicy-metaint: 16000\r\n"));
    const qsizetype block = body + 16000;
    QVERIFY(answer.size() > block + 1);
    const QByteArray title = "StreamTitle='Tone Band - Blue Lagoon';";
    QCOMPARE(answer.mid(block + 1, title.size()), title);
    QCOMPARE(int(answer.at(block)), int((title.size() + 15) / 16));
    // The next block only says that nothing changed.
    const qsizetype next = block + 1 + answer.at(block) * 16 + 16000;
    QVERIFY(answer.size() > next);
    QCOMPARE(int(answer.at(next)), 0);
}

void TestListenAlong::eightListeners() {
    QVERIFY(say("p red"));
    std::vector<std::unique_ptr<ToneListener>> listeners;
    for (int i = 0; i < 8; ++i)
        listeners.push_back(std::make_unique<ToneListener>(ownUrl()));
    for (auto &listener : listeners)
        QVERIFY2(listener->hears(700, kHearMs), qPrintable(listener->errors()));
    // Eight are this address's share of nine: one more from it is turned away, one from another
    // address fits, and the tenth is turned away whatever its address.
    const QByteArray get = "GET /stream.mp3 HTTP/1.0\r\n\r\n";
    const QByteArray busy = "HTTP/1.0 503 Service Unavailable\r\n";
    QVERIFY(request(get, 1000).startsWith(busy));
    const auto ninth = connectFrom(kOtherAddress);
    QVERIFY(ninth && ninth->write(get) > 0 && ninth->waitForReadyRead(5000));
    QVERIFY(ninth->readAll().startsWith("HTTP/1.0 200 OK\r\n"));
    QVERIFY(request(get, 1000, kOtherAddress).startsWith(busy));
}

void TestListenAlong::stalledListenerIsDropped() {
    QVERIFY(say("p red"));
    // A listener that asks and then never reads: the player lets it go rather than hold ever
    // more for it.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_stream.settings().listenPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    const char request[] = "GET / HTTP/1.0\r\n\r\n";
    QCOMPARE(::send(fd, request, sizeof request - 1, 0), qsizetype(sizeof request - 1));
    const bool dropped = QTest::qWaitFor(
        [fd] {
            // Seen without reading: the connection's state, not the bytes still unread.
            tcp_info info{};
            socklen_t length = sizeof info;
            return ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 &&
                   info.tcpi_state != TCP_ESTABLISHED;
        },
        30000);
    ::close(fd);
    QVERIFY(dropped);
}

void TestListenAlong::httpAnswers_data() {
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<int>("gapMs"); // between the head's bytes
    QTest::addColumn<int>("held");  // requests kept unfinished from another address meanwhile
    const QByteArray head = "HEAD /stream.mp3 HTTP/1.0\r\n\r\n";
    QTest::newRow("another path") << QByteArray("GET /admin HTTP/1.1\r\n\r\n")
                                  << QByteArray("HTTP/1.0 404 ") << 0 << 0;
    QTest::newRow("a post") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\n")
                            << QByteArray("HTTP/1.0 405 ") << 0 << 0;
    QTest::newRow("a head over 8 KiB")
        << "GET / HTTP/1.1\r\nX-Junk: " + QByteArray(9000, 'j') + "\r\n\r\n"
        << QByteArray("HTTP/1.0 431 ") << 0 << 0;
    QTest::newRow("not HTTP") << QByteArray("hello there\r\n\r\n") << QByteArray("HTTP/1.0 400 ")
                              << 0 << 0;
    QTest::newRow("HEAD: the headers only") << head << QByteArray("HTTP/1.0 200 OK\r\n") << 0 << 0;
    // A byte every 250 ms: the whole head would be there after some 13 s.
    QTest::newRow("a head trickled past 5 s")
        << "GET / HTTP/1.1\r\nUser-Agent: " + QByteArray(20, 'a') + "\r\n\r\n"
        << QByteArray("HTTP/1.0 408 ") << 250 << 0;
    QTest::newRow("another address holding four unfinished requests")
        << head << QByteArray("HTTP/1.0 200 OK\r\n") << 0 << 4;
}

void TestListenAlong::httpAnswers() {
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, status);
    QFETCH(int, gapMs);
    QFETCH(int, held);
    std::vector<std::unique_ptr<QTcpSocket>> unfinished;
    for (int i = 0; i < held; ++i) {
        unfinished.push_back(connectFrom(kOtherAddress));
        QVERIFY(unfinished.back());
        unfinished.back()->write("GET / HTTP/1.1\r\n");
        QVERIFY(unfinished.back()->waitForBytesWritten(3000));
    }
    // Each answer ends with the connection closed; a stream would go on past 100000 bytes.
    const QByteArray answer = request(head, 100000, QHostAddress(QHostAddress::LocalHost), gapMs);
    QVERIFY2(answer.startsWith(status), answer.left(80).constData());
    QVERIFY(answer.size() < 1000);
    if (held > 0) {
        // That address's fifth is closed at once, unanswered; once its requests end, it is served.
        QCOMPARE(request(head, 1000, kOtherAddress), QByteArray());
        unfinished.clear();
        QTRY_VERIFY(request(head, 1000, kOtherAddress).startsWith("HTTP/1.0 200 OK\r\n"));
    }
}

void TestListenAlong::icecastRefuses_data() {
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("mount");
    QTest::addColumn<IcecastOutput::Status>("status");
    QTest::newRow("a wrong password")
        << QByteArray("wrong") << "/other.mp3" << IcecastOutput::Status::Refused;
    // The player's own source holds it.
    QTest::newRow("a mount in use") << QByteArray(IcecastServer::kSourcePassword) << kMount
                                    << IcecastOutput::Status::MountInUse;
}

void TestListenAlong::icecastRefuses() {
    QFETCH(QByteArray, password);
    QFETCH(QString, mount);
    QFETCH(IcecastOutput::Status, status);
    QVERIFY(say("p blue"));
    StreamService second;
    StreamSettings settings;
    QCOMPARE(settings.setIcecast(
                 QStringLiteral("icecast://127.0.0.1:%1%2").arg(m_icecast.port()).arg(mount)),
             QString());
    QVERIFY(second.start(settings, password));
    QTRY_COMPARE_WITH_TIMEOUT(second.icecastStatus(), std::optional(status), kHearMs);
    // Playback, and the player's own stream, go on untouched.
    QVERIFY(playerAdvances());
    ToneListener listener(mountUrl());
    QVERIFY(listener.hears(400, kHearMs));
}

void TestListenAlong::icecastRestarted() {
    QVERIFY(say("p red"));
    m_icecast.kill();
    QTRY_VERIFY_WITH_TIMEOUT(m_stream.icecastStatus() != IcecastOutput::Status::Streaming, kHearMs);
    QVERIFY2(m_icecast.start(), qPrintable(m_icecast.errorString()));
    // Back within the backoff (1 s, 2 s, 4 s ...).
    QTRY_COMPARE_WITH_TIMEOUT(m_stream.icecastStatus(),
                              std::optional(IcecastOutput::Status::Streaming), 20000);
    ToneListener listener(mountUrl());
    QVERIFY2(listener.hears(700, kHearMs), qPrintable(listener.errors()));
    QVERIFY(playerAdvances());
}

QTEST_MAIN(TestListenAlong)
#include "tst_listenalong.moc"
