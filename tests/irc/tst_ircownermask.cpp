// Who may speak under the owner's nick: the mask decides, or the account the server vouches for.
#include "chatroom/irc/IrcOwnerMask.h"

#include <QTest>

class TestIrcOwnerMask : public QObject {
    Q_OBJECT
private slots:
    void isImpostor_data();
    void isImpostor();
};

void TestIrcOwnerMask::isImpostor_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("impostor");
    const QString mask = QStringLiteral("alice!~alice@*.example.net");
    QTest::newRow("owner") << mask << QByteArray("alice!~alice@home.example.net") << "" << false;
    QTest::newRow("other host") << mask << QByteArray("alice!~alice@evil.org") << "" << true;
    QTest::newRow("other user") << mask << QByteArray("alice!mallory@home.example.net") << ""
                                << true;
    QTest::newRow("nick in other case")
        << mask << QByteArray("ALICE!~alice@x.example.net") << "" << false;
    QTest::newRow("other nick is not guarded")
        << mask << QByteArray("bob!b@evil.org") << "" << false;
    QTest::newRow("similar nick is not the owner's")
        << mask << QByteArray("alice_!a@evil.org") << "" << false;
    QTest::newRow("account vouches") << mask << QByteArray("alice!x@evil.org") << "Alice" << false;
    QTest::newRow("other account") << mask << QByteArray("alice!x@evil.org") << "mallory" << true;
    QTest::newRow("not logged in") << mask << QByteArray("alice!x@evil.org") << "*" << true;
    QTest::newRow("rfc1459 case mapping") << "a[b]!u@h" << QByteArray("A{B}!u@h") << "" << false;
    QTest::newRow("question mark")
        << "alice!?alice@h" << QByteArray("alice!~alice@h") << "" << false;
    QTest::newRow("question mark needs one")
        << "alice!?alice@h" << QByteArray("alice!alice@h") << "" << true;
    QTest::newRow("stars backtrack")
        << "alice!*a*b*c@h" << QByteArray("alice!xaxbxbxc@h") << "" << false;
    QTest::newRow("no mask") << "" << QByteArray("alice!x@evil.org") << "" << false;
}

void TestIrcOwnerMask::isImpostor() {
    QFETCH(QString, mask);
    QFETCH(QByteArray, source);
    QFETCH(QString, account);
    QFETCH(bool, impostor);
    QCOMPARE(IrcOwnerMask(mask).isImpostor(source, account), impostor);
}

QTEST_MAIN(TestIrcOwnerMask)
#include "tst_ircownermask.moc"
