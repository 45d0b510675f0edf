#include "platform/ChatRoomClient.h"

#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// How the scripted room behaves on every connection.
struct Script {
    QList<QByteArray> answer{"OK 0\n"}; // written piece by piece after the request
    int pieceDelayMs = 0;               // pause before every piece
    bool silent = false;                // never answers
    bool closeAtOnce = false;           // closes as soon as the client connects
    bool closeAfterAnswer = false;
};

} // namespace

Q_DECLARE_METATYPE(Script)

namespace {

// A chat room written for this test from the protocol page alone, on raw sockets: it reads one
// request per connection, records it byte for byte and plays back a scripted answer. It runs on
// a thread of its own because the client blocks the test's thread while it waits.
class ScriptedRoom : public QObject {
public:
    ScriptedRoom(const QString &path, const Script &script) : m_path(path), m_script(script) {
        moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_server = new QLocalServer(this);
                QObject::connect(m_server, &QLocalServer::newConnection, this,
                                 [this] { accept(); });
                m_server->listen(m_path);
            },
            Qt::BlockingQueuedConnection);
    }

    ~ScriptedRoom() override {
        QMetaObject::invokeMethod(
            this, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QList<QByteArray> requests() const {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }
    int connections() const {
        QMutexLocker lock(&m_mutex);
        return m_connections;
    }
    int closedByClient() const {
        QMutexLocker lock(&m_mutex);
        return m_closedByClient;
    }

private:
    void accept() {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            {
                QMutexLocker lock(&m_mutex);
                ++m_connections;
            }
            if (m_script.closeAtOnce) {
                socket->abort();
                continue;
            }
            auto *buffer = new QByteArray;
            auto *answering = new bool(false);
            QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket] {
                QMutexLocker lock(&m_mutex);
                if (!m_closing.contains(socket))
                    ++m_closedByClient;
            });
            QObject::connect(socket, &QObject::destroyed, [buffer, answering] {
                delete buffer;
                delete answering;
            });
            QObject::connect(socket, &QLocalSocket::readyRead, socket,
                             [this, socket, buffer, answering] {
                                 *buffer += socket->readAll();
                                 if (*answering)
                                     return;
                                 // "VERB LENGTH\n" and LENGTH bytes make one request.
                                 const qsizetype end = buffer->indexOf('\n');
                                 if (end < 0)
                                     return;
                                 const QList<QByteArray> header = buffer->left(end).split(' ');
                                 const qsizetype length = header.value(1).toLongLong();
                                 if (buffer->size() < end + 1 + length)
                                     return;
                                 *answering = true;
                                 {
                                     QMutexLocker lock(&m_mutex);
                                     m_requests << buffer->left(end + 1 + length);
                                 }
                                 if (!m_script.silent)
                                     play(socket, 0);
                             });
        }
    }

    void play(QLocalSocket *socket, int piece) {
        if (piece == m_script.answer.size()) {
            if (m_script.closeAfterAnswer) {
                {
                    QMutexLocker lock(&m_mutex);
                    m_closing << socket;
                }
                socket->disconnectFromServer();
            }
            return;
        }
        QTimer::singleShot(m_script.pieceDelayMs, socket, [this, socket, piece] {
            socket->write(m_script.answer.at(piece));
            socket->flush();
            play(socket, piece + 1);
        });
    }

    QThread m_thread;
    QString m_path;
    Script m_script;
    QLocalServer *m_server = nullptr;
    mutable QMutex m_mutex;
    QList<QByteArray> m_requests;
    QList<QLocalSocket *> m_closing;
    int m_connections = 0;
    int m_closedByClient = 0;
};

Script answering(QList<QByteArray> pieces, int delayMs = 0, bool closeAfter = false) {
    Script script;
    script.answer = std::move(pieces);
    script.pieceDelayMs = delayMs;
    script.closeAfterAnswer = closeAfter;
    return script;
}

// For tests of what the client sends and understands rather than of its time budget: a busy
// test machine may take longer than 250 ms to play back a scripted answer.
constexpr int patientMs = 5000;

} // namespace

class TstChatRoomClient : public QObject {
    Q_OBJECT
private slots:
    void init();
    void sendsRequestsByteExact_data();
    void sendsRequestsByteExact();
    void connectsAfreshForEveryOperation();
    void readsAnswers_data();
    void readsAnswers();
    void treatsBadRoomsAsNoWindow_data();
    void treatsBadRoomsAsNoWindow();
    void findsNoRoomAtOnce_data();
    void findsNoRoomAtOnce();
    void findsTheRoomInTheRuntimeFolder();
    void blocksWithoutRunningEvents();

private:
    QString roomPath() const { return m_folder->filePath(QStringLiteral("room")); }
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TstChatRoomClient::init() {
    m_folder = std::make_unique<QTemporaryDir>();
}

void TstChatRoomClient::sendsRequestsByteExact_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("transcript") << "GET"
                                << "" << QByteArray("GET 0\n");
    QTest::newRow("replace transcript") << "SET"
                                        << "<BR>hello!" << QByteArray("SET 10\n<BR>hello!");
    QTest::newRow("clear notice")
        << "SET"
        << "<font color=blue><b>OnlineHost</b>:<font color=black> Chat Cleared!"
        << QByteArray("SET 67\n<font color=blue><b>OnlineHost</b>:<font color=black> Chat "
                      "Cleared!");
    QTest::newRow("empty transcript") << "SET"
                                      << "" << QByteArray("SET 0\n");
    QTest::newRow("input") << "INPUT"
                           << "playing x" << QByteArray("INPUT 9\nplaying x");
    QTest::newRow("input counts UTF-8 bytes")
        << "INPUT" << QString::fromUtf8("h\xC3\xA9llo \xF0\x9F\x98\x80")
        << QByteArray("INPUT 11\nh\xC3\xA9llo \xF0\x9F\x98\x80");
    QTest::newRow("input with line feed") << "INPUT"
                                          << "a\nb" << QByteArray("INPUT 3\na\nb");
    QTest::newRow("empty input") << "INPUT"
                                 << "" << QByteArray("INPUT 0\n");
    QTest::newRow("send") << "SEND"
                          << "" << QByteArray("SEND 0\n");
    QTest::newRow("the room's own user") << "USER"
                                         << "" << QByteArray("USER 0\n");
}

void TstChatRoomClient::sendsRequestsByteExact() {
    QFETCH(QString, operation);
    QFETCH(QString, text);
    QFETCH(QByteArray, request);

    ScriptedRoom room(roomPath(), Script{});
    ChatRoomClient client(roomPath());
    if (operation == "GET")
        QCOMPARE(client.transcript(), QString());
    else if (operation == "SET")
        client.setTranscript(text);
    else if (operation == "INPUT")
        client.setInput(text);
    else if (operation == "USER")
        QCOMPARE(client.roomUserName(), QString());
    else
        client.pressSend();

    QCOMPARE(room.requests(), QList<QByteArray>{request});
    QCOMPARE(room.connections(), 1);
    // The client hangs up once it has its answer.
    QTRY_COMPARE(room.closedByClient(), 1);
}

void TstChatRoomClient::connectsAfreshForEveryOperation() {
    ScriptedRoom room(roomPath(), answering({"OK 1\nx"}));
    ChatRoomClient client(roomPath(), patientMs);
    client.setInput(QStringLiteral("r"));
    client.pressSend();
    QCOMPARE(client.transcript(), QStringLiteral("x"));
    QVERIFY(client.roomAnswers());
    QCOMPARE(room.requests(), (QList<QByteArray>{"INPUT 1\nr", "SEND 0\n", "GET 0\n", "GET 0\n"}));
    QCOMPARE(room.connections(), 4);
    QTRY_COMPARE(room.closedByClient(), 4);
}

void TstChatRoomClient::readsAnswers_data() {
    QTest::addColumn<Script>("script");
    QTest::addColumn<QString>("transcript");

    QTest::newRow("text") << answering({"OK 5\nhello"}) << "hello";
    QTest::newRow("empty") << answering({"OK 0\n"}) << "";
    QTest::newRow("UTF-8") << answering({"OK 6\nh\xC3\xA9llo"}) << QStringLiteral("h\u00E9llo");
    QTest::newRow("line feeds in the payload") << answering({"OK 3\n\n\n\n"}) << "\n\n\n";
    QTest::newRow("header, then payload") << answering({"OK 5\n", "hello"}, 20) << "hello";
    QTest::newRow("split inside the header")
        << answering({"O", "K 1", "0\n0123", "456789"}, 20) << "0123456789";
    QTest::newRow("split inside a character")
        << answering({"OK 2\n\xC3", "\xA9"}, 20) << QStringLiteral("\u00E9");
    QTest::newRow("closed after the whole answer") << answering({"OK 2\nhi"}, 0, true) << "hi";
    QTest::newRow("payload that looks like a frame") << answering({"OK 6\nOK 0\n\n"}) << "OK 0\n\n";
}

void TstChatRoomClient::readsAnswers() {
    QFETCH(Script, script);
    QFETCH(QString, transcript);
    ScriptedRoom room(roomPath(), script);
    ChatRoomClient client(roomPath(), patientMs);
    QCOMPARE(client.transcript(), transcript);
    QVERIFY(client.roomAnswers());
}

void TstChatRoomClient::treatsBadRoomsAsNoWindow_data() {
    QTest::addColumn<Script>("script");

    Script silent;
    silent.silent = true;
    Script closing;
    closing.closeAtOnce = true;
    QTest::newRow("never answers") << silent;
    QTest::newRow("closes at once") << closing;
    QTest::newRow("ERR") << answering({"ERR 12\nunknown verb"});
    QTest::newRow("ERR, then closes") << answering({"ERR 3\nbad"}, 0, true);
    QTest::newRow("garbage") << answering({"HELLO WORLD\n"});
    QTest::newRow("binary garbage") << answering({QByteArray("\0\1\2\3", 4)});
    QTest::newRow("closes mid-answer") << answering({"OK 10\nabc"}, 0, true);
    QTest::newRow("closes mid-header") << answering({"OK 1"}, 0, true);
    QTest::newRow("length too long") << answering({"OK 10\nabc"});
    QTest::newRow("length too short") << answering({"OK 3\nhello"});
    QTest::newRow("a second frame") << answering({"OK 2\nhiOK 0\n"});
    QTest::newRow("leading zero") << answering({"OK 05\nhello"});
    QTest::newRow("lower-case verb") << answering({"ok 5\nhello"});
    QTest::newRow("unknown answer verb") << answering({"YES 5\nhello"});
    QTest::newRow("carriage return") << answering({"OK 5\r\nhello"});
    QTest::newRow("trailing space") << answering({"OK 5 \nhello"});
    QTest::newRow("over the payload limit") << answering({"OK 16777217\n"});
    QTest::newRow("header of 65 bytes") << answering({"OK " + QByteArray(60, '1') + "\n"});
    QTest::newRow("answer too slow in total") << answering({"OK 5\n", "h", "e", "l", "lo"}, 100);
    QTest::newRow("answer after the time budget") << answering({"OK 2\nhi"}, 600);
}

void TstChatRoomClient::treatsBadRoomsAsNoWindow() {
    QFETCH(Script, script);
    ScriptedRoom room(roomPath(), script);
    ChatRoomClient client(roomPath());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(client.transcript(), QString());
    // Loose bounds: the budget is 250 ms; a blocked UI thread for a second would be a fault.
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!client.roomAnswers());
    QCOMPARE(client.roomUserName(), QString());
    clock.restart();
    client.setTranscript(QStringLiteral("x"));
    client.setInput(QStringLiteral("y"));
    client.pressSend();
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
}

void TstChatRoomClient::findsNoRoomAtOnce_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("no socket file") << "missing";
    QTest::newRow("stale socket file") << "stale";
    QTest::newRow("missing folder") << "no/such/folder";
}

void TstChatRoomClient::findsNoRoomAtOnce() {
    QFETCH(QString, where);
    const QString path = m_folder->filePath(where);
    if (where == "stale")
        QVERIFY(testenv::makeStaleSocket(path));
    // A budget no busy machine comes near: any operation that waited for it would take 10 s.
    ChatRoomClient client(path, 10000);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(client.transcript(), QString());
    client.setInput(QStringLiteral("x"));
    client.pressSend();
    QVERIFY(!client.roomAnswers());
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
}

void TstChatRoomClient::findsTheRoomInTheRuntimeFolder() {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder->path()));
    const QString expectedPath = m_folder->filePath(QStringLiteral("aim_chatwnd"));
    QString transcript;
    QString path;
    {
        ScriptedRoom room(expectedPath, answering({"OK 2\nhi"}));
        ChatRoomClient client(QString(), patientMs);
        path = client.socketPath();
        transcript = client.transcript();
    }
    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", saved);
    else
        qunsetenv("XDG_RUNTIME_DIR");
    QCOMPARE(path, expectedPath);
    QCOMPARE(transcript, QStringLiteral("hi"));
}

void TstChatRoomClient::blocksWithoutRunningEvents() {
    ScriptedRoom room(roomPath(), answering({"OK 1\n", "x"}, 50));
    bool timerRan = false;
    QTimer::singleShot(0, this, [&timerRan] { timerRan = true; });
    ChatRoomClient client(roomPath(), patientMs);
    QCOMPARE(client.transcript(), QStringLiteral("x"));
    // Waiting for the answer ran no event of this thread.
    QVERIFY(!timerRan);
    QTRY_VERIFY(timerRan);
}

QTEST_GUILESS_MAIN(TstChatRoomClient)
#include "tst_chatroomclient.moc"
