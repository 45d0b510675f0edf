// IRC text both ways: what arrives (bytes in any of the encodings clients send, with formatting
// codes) is made readable, what goes out (the room's HTML) is made into IRC text that fits lines.
#include "chatroom/irc/IrcText.h"

#include <QTest>

class TestIrcText : public QObject {
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void stripFormatting_data();
    void stripFormatting();
    void actionText_data();
    void actionText();
    void fromHtml_data();
    void fromHtml();
    void split_data();
    void split();
};

void TestIrcText::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf-8") << QByteArray("na\xc3\xafve \xe2\x82\xac \xf0\x9f\x8e\xb5")
                           << QString::fromUtf8("naïve € 🎵");
    QTest::newRow("latin-1 letter") << QByteArray("caf\xe9") << QString::fromUtf8("café");
    QTest::newRow("cp1252 quotes and euro")
        << QByteArray("\x93q\x94 \x80") << QString::fromUtf8("“q” €");
    QTest::newRow("cp1252 hole keeps its code point") << QByteArray("\x81") << QString(QChar(0x81));
    QTest::newRow("both in one line") << QByteArray("\xe9\xc3\xa9") << QString::fromUtf8("éé");
    QTest::newRow("cut-off sequence at the end")
        << QByteArray("a\xe2\x82") << QString::fromUtf8("aâ‚");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QString::fromUtf8("À¯");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << QString::fromUtf8("í\u00a0€");
    QTest::newRow("past U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80") << QString::fromUtf8("ô\u0090€€");
}

void TestIrcText::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(irctext::decode(bytes), text);
}

void TestIrcText::stripFormatting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::newRow("toggles") << "\x02"
                                "b\x02\x1Di\x1D\x1Fu\x1F\x16r\x16\x1Es\x1E\x11m\x11\x0Fz"
                             << "biursmz";
    QTest::newRow("colour with both") << "\x03"
                                         "04,12red"
                                      << "red";
    QTest::newRow("colour one digit") << "\x03"
                                         "4red"
                                      << "red";
    QTest::newRow("only two digits are the colour") << "\x03"
                                                       "123"
                                                    << "3";
    QTest::newRow("comma without digit is text") << "\x03"
                                                    "4,x"
                                                 << ",x";
    QTest::newRow("bare colour ends colour") << "a\x03"
                                                ",5"
                                             << "a,5";
    QTest::newRow("hex colour") << "\x04"
                                   "ff00AA,00ff00x"
                                << "x";
    QTest::newRow("short hex is text") << "\x04"
                                          "ff0x"
                                       << "ff0x";
    QTest::newRow("code at the end") << "end\x03"
                                     << "end";
}

void TestIrcText::stripFormatting() {
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QCOMPARE(irctext::stripFormatting(text), plain);
}

void TestIrcText::actionText_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("action"); // "-" for none
    QTest::newRow("action") << QByteArray("\x01"
                                          "ACTION waves\x01")
                            << QByteArray("waves");
    QTest::newRow("no closing mark") << QByteArray("\x01"
                                                   "ACTION waves")
                                     << QByteArray("waves");
    QTest::newRow("empty action") << QByteArray("\x01"
                                                "ACTION\x01")
                                  << QByteArray("");
    QTest::newRow("other ctcp") << QByteArray("\x01"
                                              "VERSION\x01")
                                << QByteArray("-");
    QTest::newRow("longer name") << QByteArray("\x01"
                                               "ACTIONS x\x01")
                                 << QByteArray("-");
    QTest::newRow("plain text") << QByteArray("ACTION waves") << QByteArray("-");
}

void TestIrcText::actionText() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, action);
    const QByteArray found = irctext::actionText(text);
    QCOMPARE(found.isNull() ? QByteArray("-") : found, action);
}

void TestIrcText::fromHtml_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("greeting markup") << "<b><u>t</u></b>revik <b><u>a</b></u>mp 1.0"
                                     << QStringList{"\x02\x1Ft\x1F\x02revik \x02\x1F"
                                                    "a\x02\x1Fmp 1.0"};
    QTest::newRow("other tags dropped")
        << "<font color=red>x</font> <i>y</i>" << QStringList{"x y"};
    QTest::newRow("entities") << "&lt;b&gt; &amp;amp; &quot;&#65;&#x42;&nbsp;&bogus; & ;"
                              << QStringList{"<b> &amp; \"AB &bogus; & ;"};
    QTest::newRow("line breaks") << "one<br>two\nthree<BR/>" << QStringList{"one", "two", "three"};
    QTest::newRow("control characters") << QString("a\rb") + QChar(0) + "c" << QStringList{"abc"};
    QTest::newRow("line ends written as entities")
        << "a&#10;b&#13;c&#x0A;" << QStringList{"a", "bc"};
    QTest::newRow("unfinished tag") << "text <b" << QStringList{"text "};
    QTest::newRow("only markup") << "<b></b>" << QStringList{};
    QTest::newRow("trailing space kept") << "a " << QStringList{"a "};
}

void TestIrcText::fromHtml() {
    QFETCH(QString, html);
    QFETCH(QStringList, lines);
    QCOMPARE(irctext::fromHtml(html), lines);
}

void TestIrcText::split_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<int>("pieces");
    QTest::newRow("fits") << "short" << 10 << 1;
    QTest::newRow("exact") << "0123456789" << 10 << 1;
    QTest::newRow("ascii") << QString(25, QLatin1Char('a')) << 10 << 3;
    // Two-byte letters never go half into one piece: 5 letters (10 bytes) per piece of 11.
    QTest::newRow("two-byte letters") << QString(12, QChar(0xE9)) << 11 << 3;
    QTest::newRow("emoji not cut") << QString::fromUtf8("ab🎵🎵🎵") << 5 << 4;
    QTest::newRow("accent stays with its letter")
        << QString::fromUtf8("e\u0301e\u0301e\u0301") << 4 << 3;
    QTest::newRow("space at a cut goes to the next piece") << "ab cd" << 3 << 2;
    QTest::newRow("space at the end") << "abcd " << 2 << 3;
    QTest::newRow("empty") << "" << 10 << 0;
    // A nick as long as a whole line leaves no room for text: one character a piece, no hang.
    QTest::newRow("no room for a character") << QString::fromUtf8("é🎵a") << 1 << 3;
    QTest::newRow("no room at all") << "ab" << -5 << 2;
    // Qt's grapheme finder reports a boundary inside the surrogate pair here.
    QTest::newRow("no cut inside a surrogate pair")
        << QString::fromUcs4(U"\u0CB2\u00B2:\U0001F600A") << 20 << 1;
}

void TestIrcText::split() {
    QFETCH(QString, text);
    QFETCH(int, maxBytes);
    QFETCH(int, pieces);
    const QList<QByteArray> result = irctext::split(text, maxBytes);
    QCOMPARE(result.size(), pieces);
    QByteArray joined;
    for (const QByteArray &piece : result) {
        QVERIFY(piece.size() <= maxBytes || QString::fromUtf8(piece).toUcs4().size() == 1);
        QVERIFY(piece.endsWith(' ') == (&piece == &result.last() && text.endsWith(' ')));
        QVERIFY(!QString::fromUtf8(piece).contains(QChar::ReplacementCharacter));
        joined += piece;
    }
    QCOMPARE(joined, text.toUtf8());
}

QTEST_MAIN(TestIrcText)
#include "tst_irctext.moc"
