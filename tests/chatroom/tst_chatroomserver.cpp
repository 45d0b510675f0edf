#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "platform/ChatRoomClient.h"
#include "support/TestChatRoom.h"

#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// These tests are about the room, not the player's time budget: a busy test machine may take
// longer than 250 ms to answer, so the clients here wait longer.
constexpr int patientMs = 5000;

const QString lineHead =
    QStringLiteral(R"(<BR><FONT COLOR="#0000ff"><B>Dj Me</B></FONT><FONT COLOR="#000000">: )");
const QString lineTail = QStringLiteral("<!-- (21:04:05) --></FONT>");

void prepare(TestChatRoom &room) {
    room.setUserName(QStringLiteral("Dj Me"));
    room.setClock([] { return QTime(21, 4, 5); });
}

bool connectTo(QLocalSocket &socket, const QString &path) {
    socket.connectToServer(path);
    return socket.waitForConnected(5000);
}

bool writeAll(QLocalSocket &socket, const QByteArray &bytes) {
    socket.write(bytes);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(10000))
            return false;
    }
    return true;
}

// Reads until size bytes are there (or ten seconds pass) and returns what came.
QByteArray readBytes(QLocalSocket &socket, qsizetype size) {
    QByteArray bytes;
    const QDeadlineTimer deadline(10000);
    while (bytes.size() < size && !deadline.hasExpired()) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(50))
            continue;
        bytes += socket.read(size - bytes.size());
    }
    return bytes;
}

// Everything the room sends until it closes the connection; false when it does not close.
bool readUntilClosed(QLocalSocket &socket, QByteArray *bytes) {
    const bool closed =
        socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(5000);
    *bytes += socket.readAll();
    return closed;
}

mode_t modeOf(const QString &path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode;
}

} // namespace

class TstChatRoomServer : public QObject {
    Q_OBJECT
private slots:
    void clientReplacesAndReadsTranscript_data();
    void clientReplacesAndReadsTranscript();
    void clientTypesAndSends_data();
    void clientTypesAndSends();
    void clientLeavesTheRoomAloneWithOversizeText();
    void clientReadsLinesOfMembers();
    void answersSeveralRequestsInOrder_data();
    void answersSeveralRequestsInOrder();
    void refusesBrokenRequests_data();
    void refusesBrokenRequests();
    void acceptsPayloadAtTheLimit();
    void ignoresPayloadOfGetAndSend();
    void closesIdleConnections();
    void keepsBusyConnectionsOpen();
    void makesSocketPrivateToItsOwner();
    void secondRoomRefusesWhileFirstIsLive();
    void replacesStaleSocket();
    void leavesOtherFilesAlone();
    void failsInMissingFolder();
    void removesSocketWhenClosed();
    void clientFindsNoRoomAfterItStops();
};

void TstChatRoomServer::clientReplacesAndReadsTranscript_data() {
    QTest::addColumn<QString>("transcript");
    QTest::newRow("empty") << QString();
    QTest::newRow("clear notice")
        << "<font color=blue><b>OnlineHost</b>:<font color=black> Chat Cleared!";
    QTest::newRow("non-ASCII") << QString::fromUtf8(
        "<BR>Zo\xC3\xAB: \xE2\x99\xAA \xF0\x9F\x98\x80");
    QTest::newRow("leading byte order mark") << QStringLiteral("\uFEFF<BR>x");
    QTest::newRow("line feeds") << QStringLiteral("\n<BR>a\nb\n");
    QTest::newRow("as much as the room keeps")
        << QString(ChatRoom::maxTranscriptBytes, QLatin1Char('x'));
}

void TstChatRoomServer::clientReplacesAndReadsTranscript() {
    QFETCH(QString, transcript);
    TestChatRoom room;
    QVERIFY(room.isServing());
    room.sayAsUser(QStringLiteral("to be replaced"));
    ChatRoomClient client(room.socketPath(), patientMs);
    client.setTranscript(transcript);
    QCOMPARE(room.transcriptUtf8(), transcript.toUtf8());
    QCOMPARE(client.transcript(), transcript);
}

void TstChatRoomServer::clientTypesAndSends_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("transcript");
    QTest::newRow("HTML kept") << "<b>now playing</b> &amp; more"
                               << lineHead + "<b>now playing</b> &amp; more" + lineTail;
    QTest::newRow("bare ampersand kept") << "a & b" << lineHead + "a & b" + lineTail;
    QTest::newRow("non-ASCII") << QString::fromUtf8("caf\xC3\xA9 \xE2\x99\xAA")
                               << lineHead + QString::fromUtf8("caf\xC3\xA9 \xE2\x99\xAA") +
                                      lineTail;
    QTest::newRow("empty input sends nothing") << ""
                                               << "";
}

void TstChatRoomServer::clientTypesAndSends() {
    QFETCH(QString, input);
    QFETCH(QString, transcript);
    TestChatRoom room;
    prepare(room);
    ChatRoomClient client(room.socketPath(), patientMs);
    client.setInput(input);
    QCOMPARE(room.input(), input);
    QCOMPARE(room.transcript(), QString());
    client.pressSend();
    QCOMPARE(room.input(), QString());
    QCOMPARE(room.transcript(), transcript);
    QCOMPARE(client.transcript(), transcript);
}

void TstChatRoomServer::clientLeavesTheRoomAloneWithOversizeText() {
    TestChatRoom room;
    room.setTranscript(QStringLiteral("<BR>kept"));
    ChatRoomClient client(room.socketPath(), patientMs);
    client.setTranscript(QString(16 * 1024 * 1024 + 1, QLatin1Char('x')));
    client.setInput(QString(16 * 1024 * 1024 + 1, QLatin1Char('y')));
    QCOMPARE(room.transcript(), QStringLiteral("<BR>kept"));
    QCOMPARE(room.input(), QString());
}

void TstChatRoomServer::clientReadsLinesOfMembers() {
    TestChatRoom room;
    prepare(room);
    room.say(QStringLiteral("A & <B>"), QStringLiteral("1 < 2 & 3 > 0"));
    room.sayAsUser(QStringLiteral("r queen"));
    ChatRoomClient client(room.socketPath(), patientMs);
    QTRY_COMPARE(
        client.transcript(),
        QStringLiteral(
            R"(<BR><FONT COLOR="#0000ff"><B>A &amp; &lt;B&gt;</B></FONT><FONT COLOR="#000000">: 1 &lt; 2 &amp; 3 &gt; 0<!-- (21:04:05) --></FONT>)"
            R"(<BR><FONT COLOR="#0000ff"><B>Dj Me</B></FONT><FONT COLOR="#000000">: r queen<!-- (21:04:05) --></FONT>)"));
}

void TstChatRoomServer::answersSeveralRequestsInOrder_data() {
    QTest::addColumn<int>("pieceSize");
    QTest::newRow("all at once") << 0;
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("5-byte pieces") << 5;
}

void TstChatRoomServer::answersSeveralRequestsInOrder() {
    QFETCH(int, pieceSize);
    TestChatRoom room;
    prepare(room);
    const QByteArray requests("INPUT 8\n<i>x</i>SEND 0\nGET 0\nSET 2\nxyGET 0\nUSER 0\nSEND 0\n");
    const QByteArray line = (lineHead + "<i>x</i>" + lineTail).toUtf8();
    const QByteArray answers = "OK 0\nOK 0\nOK " + QByteArray::number(line.size()) + "\n" + line +
                               "OK 0\nOK 2\nxyOK 5\nDj MeOK 0\n";

    QLocalSocket socket;
    QVERIFY(connectTo(socket, room.socketPath()));
    if (pieceSize == 0) {
        QVERIFY(writeAll(socket, requests));
    } else {
        for (qsizetype at = 0; at < requests.size(); at += pieceSize)
            QVERIFY(writeAll(socket, requests.mid(at, pieceSize)));
    }
    QCOMPARE(readBytes(socket, answers.size()), answers);
    // Still open for more.
    QVERIFY(writeAll(socket, "GET 0\n"));
    QCOMPARE(readBytes(socket, 6), QByteArray("OK 2\nx"));
    QCOMPARE(readBytes(socket, 1), QByteArray("y"));
    QCOMPARE(socket.state(), QLocalSocket::ConnectedState);
}

void TstChatRoomServer::refusesBrokenRequests_data() {
    QTest::addColumn<QByteArray>("requests");
    QTest::addColumn<QByteArray>("answers");

    const QByteArray unknown("ERR 12\nunknown verb");
    const QByteArray malformed("ERR 16\nmalformed header");
    const QByteArray tooLarge("ERR 17\npayload too large");
    QTest::newRow("unknown verb") << QByteArray("PLAY 0\n") << unknown;
    QTest::newRow("verbs are upper case") << QByteArray("get 0\n") << unknown;
    QTest::newRow("an answer verb") << QByteArray("OK 0\n") << unknown;
    QTest::newRow("unknown verb with payload") << QByteArray("NOTE 2\nhi") << unknown;
    QTest::newRow("leading zero") << QByteArray("GET 00\n") << malformed;
    QTest::newRow("no length") << QByteArray("GET\n") << malformed;
    QTest::newRow("carriage return") << QByteArray("GET 0\r\n") << malformed;
    QTest::newRow("binary garbage") << QByteArray("\x01\x02\xff", 3) << malformed;
    QTest::newRow("header of 65 bytes") << QByteArray(62, 'G') + " 0\n" << malformed;
    QTest::newRow("64 bytes without line feed") << QByteArray(64, 'G') << malformed;
    QTest::newRow("payload over the limit") << QByteArray("SET 16777217\n") << tooLarge;
    const QByteArray overLimit(ChatRoom::maxLineBytes + 1, 'x');
    QTest::newRow("line over the limit")
        << "INPUT " + QByteArray::number(overLimit.size()) + "\n" + overLimit + "SEND 0\nGET 0\n"
        << QByteArray("OK 0\nERR 13\nline too long");
    QTest::newRow("answers before the error still come")
        << QByteArray("SET 1\nzGET 0\nFOO 0\nGET 0\n") << "OK 0\nOK 1\nz" + unknown;
}

void TstChatRoomServer::refusesBrokenRequests() {
    QFETCH(QByteArray, requests);
    QFETCH(QByteArray, answers);
    TestChatRoom room;
    QLocalSocket socket;
    QVERIFY(connectTo(socket, room.socketPath()));
    QVERIFY(writeAll(socket, requests));
    QByteArray received;
    QVERIFY2(readUntilClosed(socket, &received), "the room kept the connection open");
    QCOMPARE(received, answers);
    QVERIFY(room.isServing());
}

void TstChatRoomServer::acceptsPayloadAtTheLimit() {
    TestChatRoom room;
    const QByteArray payload(16 * 1024 * 1024, 'p');
    QLocalSocket socket;
    QVERIFY(connectTo(socket, room.socketPath()));
    QVERIFY(writeAll(socket, "SET 16777216\n" + payload));
    QCOMPARE(readBytes(socket, 5), QByteArray("OK 0\n"));
    QVERIFY(writeAll(socket, "GET 0\n"));
    // The room keeps only the newest part of it.
    const qsizetype kept = ChatRoom::maxTranscriptBytes;
    QCOMPARE(readBytes(socket, 11), "OK " + QByteArray::number(kept) + "\n");
    QVERIFY(readBytes(socket, kept) == payload.right(kept));
}

void TstChatRoomServer::ignoresPayloadOfGetAndSend() {
    TestChatRoom room;
    prepare(room);
    QLocalSocket socket;
    QVERIFY(connectTo(socket, room.socketPath()));
    QVERIFY(writeAll(socket, "GET 3\nabcINPUT 1\nqSEND 4\nwxyz"));
    QCOMPARE(readBytes(socket, 15), QByteArray("OK 0\nOK 0\nOK 0\n"));
    QCOMPARE(room.transcript(), lineHead + "q" + lineTail);
}

void TstChatRoomServer::closesIdleConnections() {
    TestChatRoom room(400ms);
    QLocalSocket socket;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(connectTo(socket, room.socketPath()));
    QVERIFY(socket.waitForDisconnected(5000));
    // Coarse timers may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));

    // A request that never completes does not keep the connection either.
    QLocalSocket stalled;
    QVERIFY(connectTo(stalled, room.socketPath()));
    QVERIFY(writeAll(stalled, "SET 10\nabc"));
    QVERIFY(stalled.waitForDisconnected(5000));
    QCOMPARE(stalled.readAll(), QByteArray());

    QCOMPARE(ChatRoomServer(nullptr).idleTimeout(), 5000ms);
}

void TstChatRoomServer::keepsBusyConnectionsOpen() {
    TestChatRoom room(1000ms);
    QLocalSocket socket;
    QVERIFY(connectTo(socket, room.socketPath()));
    QElapsedTimer clock;
    clock.start();
    // Well past the idle time in total, never idle for long.
    while (clock.elapsed() < 2500) {
        QVERIFY(writeAll(socket, "GET 0\n"));
        QCOMPARE(readBytes(socket, 5), QByteArray("OK 0\n"));
        QTest::qSleep(200);
    }
    QCOMPARE(socket.state(), QLocalSocket::ConnectedState);
}

void TstChatRoomServer::makesSocketPrivateToItsOwner() {
    // With no umask to narrow it, any looseness in how the socket is made would show.
    const mode_t savedMask = ::umask(0);
    TestChatRoom room;
    ::umask(savedMask);
    QVERIFY(room.isServing());
    const mode_t mode = modeOf(room.socketPath());
    QVERIFY(S_ISSOCK(mode));
    QCOMPARE(mode & 07777, mode_t(0600));
}

void TstChatRoomServer::secondRoomRefusesWhileFirstIsLive() {
    TestChatRoom first;
    first.setTranscript(QStringLiteral("<BR>first"));
    {
        ChatRoom room(QStringLiteral("second"), nullptr);
        ChatRoomServer second(&room);
        QCOMPARE(second.listen(first.socketPath()), ChatRoomServer::Result::RoomAlreadyRunning);
        QVERIFY(!second.isServing());
        QVERIFY(second.statusText().contains(QStringLiteral("already running")));
        QVERIFY(second.statusText().contains(first.socketPath()));
    }
    // The refusing room neither took nor removed the socket.
    QVERIFY(S_ISSOCK(modeOf(first.socketPath())));
    ChatRoomClient client(first.socketPath(), patientMs);
    QCOMPARE(client.transcript(), QStringLiteral("<BR>first"));
}

void TstChatRoomServer::replacesStaleSocket() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("room"));
    QVERIFY(testenv::makeStaleSocket(path));
    QVERIFY(S_ISSOCK(modeOf(path)));

    ChatRoom room(QStringLiteral("me"), nullptr);
    room.setTranscript(QStringLiteral("<BR>new room"));
    ChatRoomServer server(&room);
    QCOMPARE(server.listen(path), ChatRoomServer::Result::Serving);
    QCOMPARE(modeOf(path) & 07777, mode_t(0600));
    QVERIFY(server.statusText().contains(path));

    // The server runs on this thread, so the answer is awaited with the event loop running.
    QLocalSocket socket;
    socket.connectToServer(path);
    QTRY_COMPARE(socket.state(), QLocalSocket::ConnectedState);
    socket.write("GET 0\n");
    QByteArray received;
    QTRY_COMPARE((received += socket.readAll()), QByteArray("OK 12\n<BR>new room"));
}

void TstChatRoomServer::leavesOtherFilesAlone() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("room"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();

    ChatRoom room(QStringLiteral("me"), nullptr);
    ChatRoomServer server(&room);
    QCOMPARE(server.listen(path), ChatRoomServer::Result::Failed);
    QVERIFY(!server.isServing());
    QVERIFY(server.statusText().contains(QStringLiteral("not a socket")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

void TstChatRoomServer::failsInMissingFolder() {
    QTemporaryDir folder;
    ChatRoom room(QStringLiteral("me"), nullptr);
    ChatRoomServer server(&room);
    QCOMPARE(server.listen(folder.filePath(QStringLiteral("missing/room"))),
             ChatRoomServer::Result::Failed);
    QVERIFY(!server.errorString().isEmpty());
    QVERIFY(server.statusText().startsWith(QStringLiteral("Not serving: ")));
}

void TstChatRoomServer::removesSocketWhenClosed() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("room"));
    ChatRoom room(QStringLiteral("me"), nullptr);
    {
        ChatRoomServer server(&room);
        QCOMPARE(server.listen(path), ChatRoomServer::Result::Serving);
        QVERIFY(QFile::exists(path));
        server.close();
        QVERIFY(!server.isServing());
        QVERIFY(!QFile::exists(path));
        QCOMPARE(server.listen(path), ChatRoomServer::Result::Serving);
    }
    QVERIFY(!QFile::exists(path));
}

void TstChatRoomServer::clientFindsNoRoomAfterItStops() {
    QString path;
    {
        TestChatRoom room;
        path = room.socketPath();
        room.setTranscript(QStringLiteral("<BR>x"));
        QCOMPARE(ChatRoomClient(path, patientMs).transcript(), QStringLiteral("<BR>x"));
    }
    ChatRoomClient client(path);
    QCOMPARE(client.transcript(), QString());
    QVERIFY(!client.roomAnswers());
}

QTEST_GUILESS_MAIN(TstChatRoomServer)
#include "tst_chatroomserver.moc"
