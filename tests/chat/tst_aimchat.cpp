#include "chat/AimChat.h"
#include "support/FakeChatWindow.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// A plain transcription of the two passes with 1-based positions and a Mid() that yields ""
// past the end, used as an oracle on random inputs.
QString midChar(const QString &s, qsizetype position) {
    return (position >= 1 && position <= s.size()) ? QString(s.at(position - 1)) : QString();
}

QString referenceStripTags(const QString &s) {
    const qsizetype len = s.size();
    QString work;
    for (qsizetype i = 1; i <= len - 1; ++i) {
        if (midChar(s, i) == QLatin1String("<")) {
            bool ended = false;
            while (midChar(s, i) != QLatin1String(">")) {
                ++i;
                if (i > len - 1) {
                    ended = true;
                    break;
                }
            }
            if (ended)
                break;
        }
        work += midChar(s, i);
    }
    QString out;
    for (qsizetype i = 1; i <= len - 1; ++i) {
        const QString c = midChar(work, i);
        if (c != QLatin1String(">"))
            out += c;
    }
    return out;
}

QString referenceGetLastLine(const QString &s) {
    qsizetype a = 0;
    const QString upper = s.toUpper();
    for (qsizetype i = 1; i + 3 <= s.size(); ++i) {
        if (upper.mid(i - 1, 4) == QLatin1String("<BR>"))
            a = i;
    }
    if (a == 0)
        return QString();
    return s.mid(a - 1, s.size() - a);
}

QString protocolLine(const QString &speaker, const QString &text, const QString &time) {
    return QStringLiteral("<BR><FONT COLOR=\"#0000ff\"><B>") + speaker +
           QStringLiteral("</B></FONT><FONT COLOR=\"#000000\">: ") + text +
           QStringLiteral("<!-- (") + time + QStringLiteral(") --></FONT>");
}

} // namespace

class TestAimChat : public QObject {
    Q_OBJECT
private slots:
    void getLastLine_data();
    void getLastLine();
    void stripTags_data();
    void stripTags();
    void stripTagsMatchesTwoPassWalk();
    void getChatTail_data();
    void getChatTail();
    void getChatTextFollowsWindow_data();
    void getChatTextFollowsWindow();
    void clearChat_data();
    void clearChat();
    void typeChat_data();
    void typeChat();
    void pressSend();
    void hostileInputs_data();
    void hostileInputs();
    void binaryInputs();
};

void TestAimChat::getLastLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no mark") << "hello world"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("final character cut") << "x<BR>hello!"
                                         << "<BR>hello";
    QTest::newRow("lower case mark") << "x<br>hello!"
                                     << "<br>hello";
    QTest::newRow("mixed case mark") << "x<bR>hi!"
                                     << "<bR>hi";
    QTest::newRow("last of several") << "a<BR>one.<BR>two."
                                     << "<BR>two";
    QTest::newRow("last of mixed cases") << "<BR>one.<br>two."
                                         << "<br>two";
    QTest::newRow("mark at the very end") << "abc<BR>"
                                          << "<BR";
    QTest::newRow("mark alone") << "<BR>"
                                << "<BR";
    QTest::newRow("unfinished mark") << "abc<BR"
                                     << "";
    QTest::newRow("spaced mark") << "a<B R>b."
                                 << "";
    QTest::newRow("mark inside brackets") << "<<BR>>"
                                          << "<BR>";
    QTest::newRow("overlapping candidates") << "<BR<BR>>x"
                                            << "<BR>>";
    QTest::newRow("protocol transcript")
        << protocolLine("ann", "one", "10:00:00") + protocolLine("Bob", "two", "10:00:01")
        << protocolLine("Bob", "two", "10:00:01").chopped(1);
}

void TestAimChat::getLastLine() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(aimchat::GetLastLine(text), expected);
}

void TestAimChat::stripTags_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("tag dropped, final character never copied") << "a<b>c"
                                                               << "a";
    QTest::newRow("ends inside unfinished tag") << "hi <FONT"
                                                << "hi ";
    QTest::newRow("plain greater-than dropped") << "1 > 0?"
                                                << "1  0";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("one character") << "x"
                                   << "";
    QTest::newRow("two characters") << "ab"
                                    << "a";
    QTest::newRow("tag whose > is the final character") << "ab<i>"
                                                        << "ab";
    QTest::newRow("empty tag") << "<>z."
                               << "z";
    QTest::newRow("nested open bracket") << "<<b>x>y."
                                         << "xy";
    QTest::newRow("bold text") << "<b>bold</b>!"
                               << "bold";
    QTest::newRow("closing tag cut") << "<BR>bob: hi: there</FONT"
                                     << "bob: hi: there";
    QTest::newRow("greater-than runs") << ">>>ab"
                                       << "a";
    QTest::newRow("entities kept") << "a &amp; b&lt;c!"
                                   << "a &amp; b&lt;c";
    QTest::newRow("comment is one tag") << "t<!-- (12:00:00) -->u."
                                        << "tu";
    QTest::newRow("protocol line")
        << protocolLine("Bob Smith", "r queen", "13:45:09").chopped(1) << "Bob Smith: r queen";
}

void TestAimChat::stripTags() {
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(aimchat::StripTags(line), expected);
}

void TestAimChat::stripTagsMatchesTwoPassWalk() {
    // Small strings over the characters that matter, so that every arrangement of brackets near
    // both ends turns up many times.
    static const QString alphabet = QStringLiteral("<>aBRbr: ");
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 20000; ++round) {
        const int length = rng.bounded(0, 12);
        QString s;
        for (int i = 0; i < length; ++i)
            s += alphabet.at(rng.bounded(static_cast<int>(alphabet.size())));
        QCOMPARE(aimchat::StripTags(s), referenceStripTags(s));
        QCOMPARE(aimchat::GetLastLine(s), referenceGetLastLine(s));
    }
}

void TestAimChat::getChatTail_data() {
    QTest::addColumn<QString>("transcript");
    QTest::addColumn<QString>("expected");

    const QString ten = QStringLiteral("0123456789");
    QString fiveHundred;
    for (int i = 0; i < 50; ++i)
        fiveHundred += ten;

    QTest::newRow("ten characters") << ten << ten;
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("exactly 500") << fiveHundred << fiveHundred;
    QTest::newRow("501 drops the first") << QStringLiteral("X") + fiveHundred << fiveHundred;
    QTest::newRow("1000 keeps the second half")
        << QString(500, QLatin1Char('a')) + fiveHundred << fiveHundred;
}

void TestAimChat::getChatTail() {
    QFETCH(QString, transcript);
    QFETCH(QString, expected);
    FakeChatWindow window;
    window.html = transcript;
    QCOMPARE(aimchat::GetChatTail(window), expected);
    QCOMPARE(aimchat::GetChatTail(window).size(), qMin<qsizetype>(transcript.size(), 500));
}

void TestAimChat::getChatTextFollowsWindow_data() {
    QTest::addColumn<bool>("absent");
    QTest::addColumn<QString>("expected");
    QTest::newRow("present") << false << "<BR>a: b.";
    QTest::newRow("absent") << true << "";
}

void TestAimChat::getChatTextFollowsWindow() {
    QFETCH(bool, absent);
    QFETCH(QString, expected);
    FakeChatWindow window;
    window.html = QStringLiteral("<BR>a: b.");
    window.absent = absent;
    QCOMPARE(aimchat::GetChatText(window), expected);
    QCOMPARE(aimchat::GetChatTail(window), expected);
    QCOMPARE(aimchat::GetLastLine(aimchat::GetChatTail(window)),
             absent ? QString() : QStringLiteral("<BR>a: b"));
}

void TestAimChat::clearChat_data() {
    QTest::addColumn<bool>("absent");
    QTest::addColumn<QString>("expected");
    QTest::newRow("present") << false
                             << "<font color=blue><b>OnlineHost</b>:<font color=black> "
                                "Chat Cleared!";
    QTest::newRow("absent") << true << "<BR>old line.";
}

void TestAimChat::clearChat() {
    QFETCH(bool, absent);
    QFETCH(QString, expected);
    FakeChatWindow window;
    window.html = QStringLiteral("<BR>old line.");
    window.input = QStringLiteral("draft");
    window.absent = absent;
    aimchat::ClearChat(window);
    QCOMPARE(window.html, expected);
    // Only the transcript is touched: nothing is typed or sent.
    QCOMPARE(window.input, QStringLiteral("draft"));
    QVERIFY(window.sent.isEmpty());
}

void TestAimChat::typeChat_data() {
    QTest::addColumn<bool>("chatSends");
    QTest::addColumn<bool>("absent");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("sends checked")
        << true << false << QStringList{"setInput:hello <b>you</b>", "pressSend"} << ""
        << QStringList{"hello <b>you</b>"};
    QTest::newRow("sends unchecked") << false << false << QStringList{} << "draft" << QStringList{};
    QTest::newRow("no chat window")
        << true << true << QStringList{"setInput:hello <b>you</b>", "pressSend"} << "draft"
        << QStringList{};
}

void TestAimChat::typeChat() {
    QFETCH(bool, chatSends);
    QFETCH(bool, absent);
    QFETCH(QStringList, calls);
    QFETCH(QString, input);
    QFETCH(QStringList, sent);

    FakeChatWindow window;
    window.input = QStringLiteral("draft");
    window.absent = absent;
    aimchat::TypeChat(window, QStringLiteral("hello <b>you</b>"), chatSends);
    QCOMPARE(window.calls, calls);
    QCOMPARE(window.input, input);
    // The earlier draft is replaced, never sent along.
    QCOMPARE(window.sent, sent);
}

void TestAimChat::pressSend() {
    FakeChatWindow window;
    window.input = QStringLiteral("typed by hand");
    aimchat::PressSend(window);
    QCOMPARE(window.calls, QStringList{QStringLiteral("pressSend")});
    QCOMPARE(window.sent, QStringList{QStringLiteral("typed by hand")});
}

void TestAimChat::hostileInputs_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<QString>("stripped");

    const int n = 100000;
    QTest::newRow("100000 letters")
        << QString(n, QLatin1Char('a')) << "" << QString(n - 1, QLatin1Char('a'));
    QTest::newRow("100000 letters after a mark")
        << QStringLiteral("<BR>") + QString(n, QLatin1Char('a'))
        << QStringLiteral("<BR>") + QString(n - 1, QLatin1Char('a'))
        << QString(n - 1, QLatin1Char('a'));
    QTest::newRow("100000 open brackets") << QString(n, QLatin1Char('<')) << ""
                                          << "";
    QTest::newRow("100000 close brackets") << QString(n, QLatin1Char('>')) << ""
                                           << "";
    QTest::newRow("tag opened at the start never closed")
        << QStringLiteral("<") + QString(n, QLatin1Char('x')) << ""
        << "";

    QString manyTags = QStringLiteral("<BR>");
    for (int i = 0; i < n; ++i)
        manyTags += QStringLiteral("<b>x");
    // The only mark stands at the start, so the last line is the whole text less its end.
    QTest::newRow("100000 tags") << manyTags << manyTags.chopped(1)
                                 << QString(n - 1, QLatin1Char('x'));

    QString marks;
    for (int i = 0; i < n / 4; ++i)
        marks += QStringLiteral("<bR>");
    QTest::newRow("25000 marks") << marks << "<bR"
                                 << "";
}

void TestAimChat::hostileInputs() {
    QFETCH(QString, text);
    QFETCH(QString, lastLine);
    QFETCH(QString, stripped);
    QCOMPARE(aimchat::GetLastLine(text), lastLine);
    QCOMPARE(aimchat::StripTags(text), stripped);

    FakeChatWindow window;
    window.html = text;
    QCOMPARE(aimchat::GetChatTail(window), text.right(500));
}

void TestAimChat::binaryInputs() {
    // Every UTF-16 code unit, NUL and lone surrogates included, in order and shuffled.
    QString every(0x10000, Qt::Uninitialized);
    for (int i = 0; i < 0x10000; ++i)
        every[i] = QChar(static_cast<char16_t>(i));
    QString shuffled = every;
    QRandomGenerator rng(7);
    for (qsizetype i = shuffled.size() - 1; i > 0; --i)
        std::swap(shuffled[i], shuffled[rng.bounded(static_cast<int>(i + 1))]);

    for (const QString &text : {every, shuffled, every + QStringLiteral("<BR>x\0y<b")}) {
        const QString stripped = aimchat::StripTags(text);
        QCOMPARE(stripped, referenceStripTags(text));
        QVERIFY(!stripped.contains(QLatin1Char('<')));
        QVERIFY(!stripped.contains(QLatin1Char('>')));

        const QString line = aimchat::GetLastLine(text);
        const qsizetype mark = text.lastIndexOf(QLatin1String("<br>"), -1, Qt::CaseInsensitive);
        QCOMPARE(line, mark < 0 ? QString() : text.mid(mark, text.size() - mark - 1));
    }
}

QTEST_GUILESS_MAIN(TestAimChat)
#include "tst_aimchat.moc"
