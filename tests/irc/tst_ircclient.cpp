// The client's side of registration and of saying things, against a scripted server: which
// capabilities it asks for, what it does with them, a nick in use, PING, and a kick.
#include "chatroom/irc/IrcClient.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// One connection of a scripted server: lines out as written, lines in one at a time.
class ScriptedPeer {
public:
    explicit ScriptedPeer(QTcpSocket *socket) : m_socket(socket) {}

    void send(const QByteArray &line) {
        m_socket->write(line + "\r\n");
        m_socket->flush();
    }
    // The next line from the client, or "(none)" when none comes in time.
    QByteArray next(int timeoutMs = 2000) {
        for (int waited = 0; !m_socket->canReadLine() && waited < timeoutMs; waited += 10)
            QTest::qWait(10);
        if (!m_socket->canReadLine())
            return "(none)";
        return m_socket->readLine().chopped(2);
    }

private:
    QTcpSocket *m_socket;
};

} // namespace

class TestIrcClient : public QObject {
    Q_OBJECT
private slots:
    void registerAndSpeak_data();
    void registerAndSpeak();
};

void TestIrcClient::registerAndSpeak_data() {
    QTest::addColumn<QByteArray>("offered");
    QTest::addColumn<QByteArray>("requested"); // empty: no request
    QTest::addColumn<bool>("echo");
    QTest::newRow("no capabilities we use") << QByteArray("multi-prefix") << QByteArray() << false;
    QTest::newRow("echo and account")
        << QByteArray("multi-prefix echo-message sasl=PLAIN account-tag")
        << QByteArray("CAP REQ :echo-message account-tag") << true;
}

void TestIrcClient::registerAndSpeak() {
    QFETCH(QByteArray, offered);
    QFETCH(QByteArray, requested);
    QFETCH(bool, echo);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    IrcClient::Settings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = server.serverPort();
    settings.password = "secret word";
    settings.nick = QStringLiteral("zandoramp");
    settings.channel = QStringLiteral("#Zandoramp");
    settings.pacing = {5, std::chrono::milliseconds(10)};
    IrcClient client(settings);
    QSignalSpy said(&client, &IrcClient::channelMessage);
    client.start();
    QVERIFY(server.waitForNewConnection(5000));
    ScriptedPeer peer(server.nextPendingConnection());

    QCOMPARE(peer.next(), QByteArray("CAP LS 302"));
    QCOMPARE(peer.next(), QByteArray("PASS :secret word"));
    QCOMPARE(peer.next(), QByteArray("NICK :zandoramp"));
    QCOMPARE(peer.next(), QByteArray("USER zandoramp 0 * :zandoramp chat room"));
    peer.send(":srv 433 * zandoramp :Nickname is already in use");
    QCOMPARE(peer.next(), QByteArray("NICK :zandoramp_"));
    // Capabilities over two lines, as IRCv3.2 servers send a long list.
    peer.send(":srv CAP * LS * :" + offered);
    peer.send(":srv CAP * LS :draft/example");
    if (!requested.isEmpty()) {
        QCOMPARE(peer.next(), requested);
        peer.send(":srv CAP zandoramp_ ACK :" + requested.mid(9));
    }
    QCOMPARE(peer.next(), QByteArray("CAP END"));
    peer.send("PING :token 1");
    QCOMPARE(peer.next(), QByteArray("PONG :token 1"));
    peer.send(":srv 001 zandoramp_ :Welcome");
    QCOMPARE(peer.next(), QByteArray("JOIN :#Zandoramp"));
    QVERIFY(client.say({"said before joining"}));
    QCOMPARE(peer.next(300), QByteArray("(none)"));
    peer.send(":zandoramp_!u@h JOIN #zandoramp");
    QCOMPARE(peer.next(), QByteArray("PRIVMSG #Zandoramp :said before joining"));
    QTRY_COMPARE(client.state(), IrcClient::State::Joined);
    QCOMPARE(said.size(), echo ? 0 : 1);

    peer.send("@account=Alice :alice!a@h PRIVMSG #zandoramp :p x");
    QTRY_COMPARE(said.size(), echo ? 1 : 2);
    // The account counts only where the server was asked to tag it.
    QCOMPARE(said.last().at(1).toString(), echo ? QStringLiteral("Alice") : QString());

    peer.send(":alice!a@h KICK #zandoramp zandoramp_ :out");
    QTRY_COMPARE(client.state(), IrcClient::State::Joining);
    QCOMPARE(peer.next(), QByteArray("JOIN :#Zandoramp")); // after a second
}

QTEST_MAIN(TestIrcClient)
#include "tst_ircclient.moc"
