// Another user may create the room's socket path first (the /tmp fallback is shared by everyone).
// Neither the player nor the room may then talk to that user's process or touch the file.
#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "platform/ChatRoomClient.h"
#include "support/OtherUserRoom.h"
#include "support/TestChatRoom.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int patientMs = 5000;

uid_t ownerOf(const QString &path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return uid_t(-1);
    return info.st_uid;
}

} // namespace

class TstOtherUserRoom : public QObject {
    Q_OBJECT
private slots:
    void init();
    void playerDoesNotTalkToIt_data();
    void playerDoesNotTalkToIt();
    void roomRefusesAndSaysWhy_data();
    void roomRefusesAndSaysWhy();
    void roomHangsUpOnOtherUsers();

private:
    QString path() const { return m_folder->filePath(QStringLiteral("aim_chatwnd")); }
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TstOtherUserRoom::init() {
    if (::geteuid() != 0)
        QSKIP("only root can run a process as another user");
    m_folder = std::make_unique<QTemporaryDir>();
    // Open to everyone and sticky, like /tmp.
    QVERIFY(::chmod(QFile::encodeName(m_folder->path()).constData(), 01777) == 0);
}

void TstOtherUserRoom::playerDoesNotTalkToIt_data() {
    QTest::addColumn<bool>("fileLooksOurs");
    QTest::newRow("socket of another user") << false;
    // The owner check alone would pass; the serving process's credentials give it away.
    QTest::newRow("our socket, served by another user") << true;
}

void TstOtherUserRoom::playerDoesNotTalkToIt() {
    QFETCH(bool, fileLooksOurs);
    OtherUserRoom squatter(path(), OtherUserRoom::State::Live);
    QVERIFY(squatter.isValid());
    if (fileLooksOurs)
        QVERIFY(::lchown(QFile::encodeName(path()).constData(), ::getuid(), ::getgid()) == 0);

    ChatRoomClient client(path(), patientMs);
    QCOMPARE(client.transcript(), QString());
    QVERIFY(!client.roomAnswers());
    client.setInput(QStringLiteral("playing x"));
    client.pressSend();
    QCOMPARE(squatter.heard(), QByteArray());
}

void TstOtherUserRoom::roomRefusesAndSaysWhy_data() {
    QTest::addColumn<QString>("occupant");
    QTest::newRow("live room of another user") << "live";
    QTest::newRow("stale socket of another user") << "stale";
    QTest::newRow("file of another user") << "file";
    QTest::newRow("our socket, served by another user") << "served";
}

void TstOtherUserRoom::roomRefusesAndSaysWhy() {
    QFETCH(QString, occupant);
    const passwd *nobody = ::getpwnam("nobody");
    QVERIFY(nobody);
    const QString userName = QString::fromLocal8Bit(nobody->pw_name);
    std::unique_ptr<OtherUserRoom> squatter;
    if (occupant == "file") {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(::chown(QFile::encodeName(path()).constData(), nobody->pw_uid, nobody->pw_gid) ==
                0);
    } else {
        squatter = std::make_unique<OtherUserRoom>(
            path(), occupant == "stale" ? OtherUserRoom::State::Stale : OtherUserRoom::State::Live);
        QVERIFY(squatter->isValid());
    }
    const uid_t expectedOwner = occupant == "served" ? ::getuid() : nobody->pw_uid;
    if (occupant == "served")
        QVERIFY(::lchown(QFile::encodeName(path()).constData(), ::getuid(), ::getgid()) == 0);

    ChatRoom room(QStringLiteral("me"), nullptr);
    ChatRoomServer server(&room);
    QCOMPARE(server.listen(path()), ChatRoomServer::Result::Failed);
    QVERIFY(!server.isServing());
    const QString status = server.statusText();
    QVERIFY2(status.contains(path()) && status.contains(userName), qPrintable(status));
    QVERIFY2(!status.contains(QStringLiteral("already running")), qPrintable(status));
    // Neither removed nor replaced.
    QCOMPARE(ownerOf(path()), expectedOwner);
    if (squatter && occupant != "stale")
        QCOMPARE(squatter->heard(), QByteArray());
}

void TstOtherUserRoom::roomHangsUpOnOtherUsers() {
    TestChatRoom room;
    room.setTranscript(QStringLiteral("<BR>private"));
    // Widened on purpose, so that only the check of each client's credentials stands in the way.
    const QByteArray socket = QFile::encodeName(room.socketPath());
    QVERIFY(::chmod(socket.constData(), 0666) == 0);
    QVERIFY(::chmod(QFile::encodeName(QFileInfo(room.socketPath()).path()).constData(), 0755) == 0);
    const testenv::OtherUserAnswer answer = testenv::askAsOtherUser(room.socketPath(), "GET 0\n");
    QCOMPARE(answer.outcome, testenv::OtherUserAnswer::Outcome::HungUp);
    QCOMPARE(answer.bytes, QByteArray());
    // The room goes on serving its own user.
    QCOMPARE(ChatRoomClient(room.socketPath(), patientMs).transcript(),
             QStringLiteral("<BR>private"));
}

QTEST_GUILESS_MAIN(TstOtherUserRoom)
#include "tst_otheruserroom.moc"
