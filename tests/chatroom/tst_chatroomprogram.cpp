#include "platform/ChatRoomClient.h"
#include "support/TestChatRoom.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString program() {
    return testenv::binaryDir() + QStringLiteral("/chatroom");
}

// `noWindow`: with --no-window, and with no display of any kind to open.
void startRoom(QProcess &process, QStringList arguments, bool noWindow = false) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (noWindow) {
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        arguments << QStringLiteral("--no-window");
    }
    process.setProcessEnvironment(environment);
    process.start(program(), arguments);
}

int runRoom(const QStringList &arguments, QByteArray *output = nullptr) {
    QProcess process;
    startRoom(process, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput() + process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class TstChatRoomProgram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void reportsWhetherARoomIsRunning_data();
    void reportsWhetherARoomIsRunning();
    void rejectsUnknownArguments_data();
    void rejectsUnknownArguments();
    void servesAndRefusesASecondRoom_data();
    void servesAndRefusesASecondRoom();
    void saysInARunningRoom();
};

void TstChatRoomProgram::initTestCase() {
    QVERIFY2(QFileInfo(program()).isExecutable(),
             qPrintable(program() + " is missing: build the chatroom target first"));
}

void TstChatRoomProgram::reportsWhetherARoomIsRunning_data() {
    QTest::addColumn<QString>("room");
    QTest::addColumn<int>("status");
    QTest::newRow("live room") << "live" << 0;
    QTest::newRow("no socket") << "none" << 1;
    QTest::newRow("stale socket") << "stale" << 1;
    QTest::newRow("listener that never answers") << "silent" << 1;
}

void TstChatRoomProgram::reportsWhetherARoomIsRunning() {
    QFETCH(QString, room);
    QFETCH(int, status);

    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("room"));
    std::unique_ptr<TestChatRoom> live;
    // Listens on this thread, which is blocked while the program runs: it accepts nothing.
    QLocalServer silent;
    if (room == "live") {
        live = std::make_unique<TestChatRoom>();
        path = live->socketPath();
    } else if (room == "stale") {
        QVERIFY(testenv::makeStaleSocket(path));
    } else if (room == "silent") {
        QVERIFY(silent.listen(path));
    }
    QCOMPARE(runRoom({QStringLiteral("--socket"), path, QStringLiteral("--running")}), status);
}

void TstChatRoomProgram::rejectsUnknownArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2;
    QTest::newRow("stray argument") << QStringList{"extra"} << 2;
    QTest::newRow("socket without path") << QStringList{"--socket"} << 2;
    QTest::newRow("say without text") << QStringList{"--say"} << 2;
    QTest::newRow("help") << QStringList{"--help"} << 0;
    const QStringList irc{"--irc", "localhost", "--channel", "#room", "--nick", "zandoramp"};
    QTest::newRow("irc option without --irc") << QStringList{"--channel", "#room"} << 2;
    QTest::newRow("irc without a channel") << QStringList{"--irc", "localhost", "--nick", "z"} << 2;
    QTest::newRow("channel without #")
        << QStringList{"--irc", "localhost", "--channel", "room", "--nick", "z"} << 2;
    QTest::newRow("port out of range")
        << QStringList{"--irc", "localhost:70000", "--channel", "#room", "--nick", "z"} << 2;
    QTest::newRow("certificate without tls") << irc + QStringList{"--trust-cert", "x.pem"} << 2;
    QTest::newRow("no certificate to trust")
        << irc + QStringList{"--tls", "--trust-cert", "/nonexistent/server.pem"} << 2;
    QTest::newRow("pace of one number") << irc + QStringList{"--pace", "4"} << 2;
    QTest::newRow("unreadable password file")
        << irc + QStringList{"--password-file", "/nonexistent/password"} << 2;
    const QStringList xmpp{"--xmpp", "z@example.org", "--muc", "room@muc.example.org"};
    QTest::newRow("xmpp option without --xmpp")
        << QStringList{"--muc", "room@muc.example.org"} << 2;
    QTest::newRow("xmpp without a group chat") << QStringList{"--xmpp", "z@example.org"} << 2;
    QTest::newRow("jid without a domain") << QStringList{"--xmpp", "z@", "--muc", "r@m"} << 2;
    QTest::newRow("group chat with a nick") << QStringList{"--xmpp", "z@e", "--muc", "r@m/z"} << 2;
    QTest::newRow("owner with a resource")
        << xmpp + QStringList{"--owner", "a@example.org/home"} << 2;
    QTest::newRow("irc and xmpp") << xmpp + irc << 2;
    QTest::newRow("tls on xmpp") << xmpp + QStringList{"--tls"} << 2;
    const QStringList mumble{"--mumble", "localhost", "--channel", "music", "--nick", "z"};
    QTest::newRow("mumble without a channel") << QStringList{"--mumble", "localhost"} << 2;
    QTest::newRow("voice on irc") << irc + QStringList{"--voice", "http://127.0.0.1:8000/"} << 2;
    QTest::newRow("voice that is no stream's address")
        << mumble + QStringList{"--voice", "/home/me/song.mp3"} << 2;
    QTest::newRow("no client certificate")
        << mumble + QStringList{"--cert", "/nonexistent/room.pem"} << 2;
    QTest::newRow("mumble and xmpp") << mumble + QStringList{"--xmpp", "z@example.org"} << 2;
}

void TstChatRoomProgram::rejectsUnknownArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QByteArray output;
    QCOMPARE(runRoom(arguments, &output), status);
    QVERIFY2(output.contains("--running") && output.contains("--socket"), output.constData());
}

void TstChatRoomProgram::servesAndRefusesASecondRoom_data() {
    QTest::addColumn<bool>("noWindow");
    QTest::newRow("window") << false;
    QTest::newRow("no window") << true;
}

void TstChatRoomProgram::servesAndRefusesASecondRoom() {
    QFETCH(bool, noWindow);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("room"));
    QProcess first;
    startRoom(first, {QStringLiteral("--socket"), path}, noWindow);
    QVERIFY(first.waitForStarted(10000));
    // Generous: this client talks to another process on a busy test machine.
    ChatRoomClient client(path, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(client.roomAnswers(), 10000);

    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
    QCOMPARE(runRoom({QStringLiteral("--socket"), path, QStringLiteral("--running")}), 0);

    client.setInput(QStringLiteral("<b>hello</b>"));
    client.pressSend();
    QVERIFY2(client.transcript().contains(QStringLiteral(": <b>hello</b><!-- (")),
             qPrintable(client.transcript()));
    if (noWindow) {
        // The window's line, as plain text on stderr.
        QByteArray shown;
        QTRY_VERIFY((shown += first.readAllStandardError()).contains(": hello\n"));
    }

    QProcess second;
    startRoom(second, {QStringLiteral("--socket"), path}, noWindow);
    QVERIFY(second.waitForStarted(10000));
    QByteArray complaint;
    QTRY_VERIFY_WITH_TIMEOUT(
        (complaint += second.readAllStandardError()).contains("already running"), 10000);
    QCOMPARE(second.state(), QProcess::Running);
    second.terminate();
    QVERIFY(second.waitForFinished(10000));

    // The first room still serves on its own socket.
    QVERIFY(client.transcript().contains(QStringLiteral("<b>hello</b>")));
    first.terminate();
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(!QFile::exists(path));
}

void TstChatRoomProgram::saysInARunningRoom() {
    TestChatRoom room;
    room.setUserName(QStringLiteral("Script User"));
    QCOMPARE(runRoom({QStringLiteral("--socket"), room.socketPath(), QStringLiteral("--say"),
                      QStringLiteral("<i>r</i> & more")}),
             0);
    QVERIFY(room.transcript().contains(QStringLiteral(
        "<B>Script User</B></FONT><FONT COLOR=\"#000000\">: <i>r</i> & more<!-- (")));
    QCOMPARE(room.input(), QString());

    QTemporaryDir folder;
    QCOMPARE(runRoom({QStringLiteral("--socket"), folder.filePath(QStringLiteral("none")),
                      QStringLiteral("--say"), QStringLiteral("r")}),
             1);
}

QTEST_GUILESS_MAIN(TstChatRoomProgram)
#include "tst_chatroomprogram.moc"
