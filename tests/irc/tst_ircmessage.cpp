// The IRC line parser on lines as real servers send them, and on lines no server should send.
#include "chatroom/irc/IrcMessage.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// A parsed message in one string: tags (sorted), source, command and each parameter in [].
QString describe(const IrcMessage &message) {
    QStringList tags;
    for (auto it = message.tags.cbegin(); it != message.tags.cend(); ++it)
        tags << it.key() + QLatin1Char('=') + it.value();
    QString params;
    for (const QByteArray &param : message.params)
        params += QLatin1Char('[') + QString::fromUtf8(param) + QLatin1Char(']');
    return tags.join(QLatin1Char(';')) + QLatin1Char('|') + QString::fromUtf8(message.source) +
           QLatin1Char('|') + QString::fromUtf8(message.command) + QLatin1Char('|') + params;
}

} // namespace

class TestIrcMessage : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void nick_data();
    void nick();
    void randomBytesNeverBreakTheParser();
    void build_data();
    void build();
};

void TestIrcMessage::parse_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("parsed"); // "-" for no message
    QTest::newRow("welcome numeric")
        << QByteArray(":irc.example.net 001 zandoramp :Welcome to the Internet Relay Network "
                      "zandoramp!~z@127.0.0.1")
        << "|irc.example.net|001|[zandoramp][Welcome to the Internet Relay Network "
           "zandoramp!~z@127.0.0.1]";
    QTest::newRow("privmsg") << QByteArray(":alice!~alice@host PRIVMSG #zandoramp :p long one")
                             << "|alice!~alice@host|PRIVMSG|[#zandoramp][p long one]";
    QTest::newRow("ping without source")
        << QByteArray("PING :irc.example.net") << "||PING|[irc.example.net]";
    QTest::newRow("no trailing") << QByteArray(":n!u@h JOIN #chan") << "|n!u@h|JOIN|[#chan]";
    QTest::newRow("empty trailing")
        << QByteArray(":n!u@h PRIVMSG #chan :") << "|n!u@h|PRIVMSG|[#chan][]";
    QTest::newRow("colon inside trailing")
        << QByteArray("PRIVMSG #c :a :b: c") << "||PRIVMSG|[#c][a :b: c]";
    QTest::newRow("names list") << QByteArray(":srv 353 me = #chan :@alice +bob zandoramp")
                                << "|srv|353|[me][=][#chan][@alice +bob zandoramp]";
    QTest::newRow("cap ls continued") << QByteArray(":srv CAP * LS * :multi-prefix sasl=PLAIN")
                                      << "|srv|CAP|[*][LS][*][multi-prefix sasl=PLAIN]";
    QTest::newRow("lower-case command") << QByteArray("privmsg #c :x") << "||PRIVMSG|[#c][x]";
    QTest::newRow("extra spaces") << QByteArray("  :n!u@h   PRIVMSG   #c    :a  b  ")
                                  << "|n!u@h|PRIVMSG|[#c][a  b  ]";
    QTest::newRow("trailing spaces without trailing")
        << QByteArray("MODE #c +o alice   ") << "||MODE|[#c][+o][alice]";
    QTest::newRow("tags") << QByteArray("@account=alice;time=2026-12-07T17:00:00.000Z :a!b@c "
                                        "PRIVMSG #c :hi")
                          << "account=alice;time=2026-12-07T17:00:00.000Z|a!b@c|PRIVMSG|[#c][hi]";
    QTest::newRow("escaped tag value") << QByteArray("@k=a\\sb\\:c\\\\d\\x\\;flag PING x")
                                       << "flag=;k=a b;c\\dx|"
                                          "|PING|[x]";
    QTest::newRow("ctcp action") << QByteArray(":a!b@c PRIVMSG #c :\x01"
                                               "ACTION waves\x01")
                                 << "|a!b@c|PRIVMSG|[#c][\x01"
                                    "ACTION waves\x01]";
    QTest::newRow("non-utf-8 bytes kept")
        << QByteArray("PRIVMSG #c :caf\xe9") << "||PRIVMSG|[#c][caf\xef\xbf\xbd]";
    QTest::newRow("empty") << QByteArray("") << "-";
    QTest::newRow("only spaces") << QByteArray("    ") << "-";
    QTest::newRow("only source") << QByteArray(":irc.example.net") << "-";
    QTest::newRow("only tags") << QByteArray("@a=b") << "-";
    QTest::newRow("tags and source") << QByteArray("@a=b :src ") << "-";
    QTest::newRow("lone colon") << QByteArray(":") << "-";
    QTest::newRow("empty tags") << QByteArray("@;;= PING")
                                << "=|"
                                   "|PING|";
}

void TestIrcMessage::parse() {
    QFETCH(QByteArray, line);
    QFETCH(QString, parsed);
    const auto message = IrcMessage::parse(line);
    QCOMPARE(message ? describe(*message) : QStringLiteral("-"), parsed);
}

void TestIrcMessage::nick_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("nick");
    QTest::newRow("full") << QByteArray("alice!~alice@host") << QByteArray("alice");
    QTest::newRow("nick and host") << QByteArray("alice@host") << QByteArray("alice");
    QTest::newRow("server") << QByteArray("irc.example.net") << QByteArray("irc.example.net");
    QTest::newRow("none") << QByteArray() << QByteArray();
}

void TestIrcMessage::nick() {
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, nick);
    IrcMessage message;
    message.source = source;
    QCOMPARE(message.nick(), nick);
}

void TestIrcMessage::randomBytesNeverBreakTheParser() {
    // Lines of bytes from the characters that mean something to the parser, many times over:
    // every parse ends, and what it returns is made only of bytes of the line.
    QRandomGenerator random(14);
    const QByteArray alphabet("@:; =!\\ aB1\x01\x02\xff");
    for (int round = 0; round < 20000; ++round) {
        QByteArray line(random.bounded(40), Qt::Uninitialized);
        for (char &c : line)
            c = alphabet.at(random.bounded(alphabet.size()));
        const auto message = IrcMessage::parse(line);
        if (!message)
            continue;
        QVERIFY(!message->command.isEmpty());
        QVERIFY(message->command.size() + message->source.size() <= line.size());
        for (const QByteArray &param : message->params)
            QVERIFY(line.contains(param));
    }
}

void TestIrcMessage::build_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QList<QByteArray>>("params");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("last as trailing")
        << QByteArray("PRIVMSG") << QList<QByteArray>{"#c", "a b"} << QByteArray("PRIVMSG #c :a b");
    QTest::newRow("no parameters")
        << QByteArray("QUIT") << QList<QByteArray>{} << QByteArray("QUIT");
    // A PING token is sent back as it came; a line break in it must not start a second command.
    QTest::newRow("line breaks and NUL left out")
        << QByteArray("PONG") << QList<QByteArray>{QByteArray("a\rQUIT\n\0b", 10)}
        << QByteArray("PONG :aQUITb");
}

void TestIrcMessage::build() {
    QFETCH(QByteArray, command);
    QFETCH(QList<QByteArray>, params);
    QFETCH(QByteArray, line);
    QCOMPARE(IrcMessage::build(command, params), line);
}

QTEST_MAIN(TestIrcMessage)
#include "tst_ircmessage.moc"
