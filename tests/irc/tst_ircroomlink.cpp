// The room as the face of a channel it cannot reach: the lines of its user wait for the channel
// instead of showing, and once the queue is full a line is refused where the user sees it.
#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomWindow.h"
#include "chatroom/NetworkRoomLink.h"
#include "chatroom/irc/IrcClient.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

class TestIrcRoomLink : public QObject {
    Q_OBJECT
private slots:
    void linesWaitUpToTheBound_data();
    void linesWaitUpToTheBound();
    void speakerIsTheNickChecked_data();
    void speakerIsTheNickChecked();
};

void TestIrcRoomLink::linesWaitUpToTheBound_data() {
    QTest::addColumn<QStringList>("inputs"); // HTML, as the player puts it into the box
    QTest::addColumn<int>("waiting");
    QTest::addColumn<bool>("refused");
    QTest::newRow("fits") << QStringList{"a", "<b>b</b><br>c"} << 3 << false;
    QTest::newRow("one line too many") << QStringList{"a", "b<br>c<br>d"} << 1 << true;
}

void TestIrcRoomLink::linesWaitUpToTheBound() {
    QFETCH(QStringList, inputs);
    QFETCH(int, waiting);
    QFETCH(bool, refused);
    quint16 deadPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        deadPort = probe.serverPort();
    }
    IrcClient::Settings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = deadPort;
    settings.nick = QStringLiteral("zandoramp");
    settings.channel = QStringLiteral("#zandoramp");
    settings.queueBound = 3;
    IrcClient client(settings);
    ChatRoom room(QStringLiteral("someone"));
    NetworkRoomLink link(&room, &client);
    ChatRoomWindow window(&room);
    window.showNetwork(client.stateText());
    client.start();
    QCOMPARE(room.userName(), QStringLiteral("zandoramp"));

    auto *notice = window.findChild<QLabel *>("noticeLabel");
    for (const QString &input : inputs) {
        room.setInput(input);
        QTest::mouseClick(window.findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    }
    QCOMPARE(client.pending(), waiting);
    QCOMPARE(notice->text(),
             refused ? "Not sent: more than 3 lines would be waiting to go to #zandoramp."
                     : QString());
    QCOMPARE(room.input(), refused ? inputs.last() : QString());
    // Nothing shows before it has gone to the channel.
    QCOMPARE(room.transcript(), QString());
    QTRY_COMPARE(client.state(), IrcClient::State::Waiting);
}

void TestIrcRoomLink::speakerIsTheNickChecked_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<bool>("passedOn"); // to the transcript the player reads
    QTest::newRow("owner") << QByteArray("alice!a@home.example") << "alice" << true;
    QTest::newRow("impostor") << QByteArray("alice!a@evil.example") << "alice (unverified)"
                              << false;
    // The player drops the CR and would obey the line as alice's.
    QTest::newRow("control characters in the nick")
        << QByteArray("ali\rce\x02!a@evil.example") << "alice (unverified)" << false;
    QTest::newRow("another member") << QByteArray("bob!b@home.example") << "bob" << false;
}

void TestIrcRoomLink::speakerIsTheNickChecked() {
    QFETCH(QByteArray, source);
    QFETCH(QString, speaker);
    QFETCH(bool, passedOn);
    IrcClient::Settings settings;
    settings.owner = IrcOwnerMask(QStringLiteral("alice!*@home.example"));
    IrcClient client(settings);
    ChatRoom room(QStringLiteral("someone"));
    NetworkRoomLink link(&room, &client);
    QSignalSpy shownOnly(&room, &ChatRoom::lineNotPassedOn);
    emit client.channelMessage(source, QString(), "r");
    const QString line = passedOn ? room.transcript() : shownOnly.value(0).value(0).toString();
    QVERIFY2(line.contains("<B>" + speaker + "</B>"), qPrintable(line));
    QCOMPARE(room.transcript().isEmpty(), !passedOn);
}

QTEST_MAIN(TestIrcRoomLink)
#include "tst_ircroomlink.moc"
