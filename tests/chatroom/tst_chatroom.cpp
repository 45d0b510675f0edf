#include "chatroom/ChatRoom.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

const QTime fixedTime(9, 5, 3);

ChatRoom *makeRoom(QObject *parent, const QString &userName = QStringLiteral("Dj Me")) {
    auto *room = new ChatRoom(userName, parent);
    room->setClock([] { return fixedTime; });
    // Every line is due at once: how lines are paced is not what these tests are about.
    room->pacer().setClock(
        [n = std::chrono::milliseconds(0)]() mutable { return n += LinePacer::hold; });
    return room;
}

} // namespace

class TstChatRoom : public QObject {
    Q_OBJECT
private slots:
    void formatsLines_data();
    void formatsLines();
    void escapes_data();
    void escapes();
    void sends_data();
    void sends();
    void refusesLinesOverTheLimit_data();
    void refusesLinesOverTheLimit();
    void membersSayTextEscaped();
    void linesFollowTheUserName();
    void linesAreAppendedAfterAReplacedTranscript();
    void keepsReplacedTranscriptByteForByte();
    void keepsOnlyTheNewestLines_data();
    void keepsOnlyTheNewestLines();
    void stampsLocalTime();
    void startsWithTheLoginName();
};

void TstChatRoom::formatsLines_data() {
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("line");

    QTest::newRow("plain")
        << "alice"
        << "hi" << QTime(9, 5, 3)
        << R"(<BR><FONT COLOR="#0000ff"><B>alice</B></FONT><FONT COLOR="#000000">: hi<!-- (09:05:03) --></FONT>)";
    QTest::newRow("capitals and spaces kept")
        << "Dj Some Body"
        << "r queen" << QTime(23, 59, 59)
        << R"(<BR><FONT COLOR="#0000ff"><B>Dj Some Body</B></FONT><FONT COLOR="#000000">: r queen<!-- (23:59:59) --></FONT>)";
    QTest::newRow("speaker escaped")
        << "A & <B>"
        << "x" << QTime(0, 0, 0)
        << R"(<BR><FONT COLOR="#0000ff"><B>A &amp; &lt;B&gt;</B></FONT><FONT COLOR="#000000">: x<!-- (00:00:00) --></FONT>)";
    QTest::newRow("quotes in the speaker stay")
        << R"(O"Neil 'x')"
        << "x" << QTime(12, 0, 1)
        << R"(<BR><FONT COLOR="#0000ff"><B>O"Neil 'x'</B></FONT><FONT COLOR="#000000">: x<!-- (12:00:01) --></FONT>)";
    QTest::newRow("text is HTML as given")
        << "bob"
        << "<i>a</i> &amp; b" << QTime(13, 7, 9)
        << R"(<BR><FONT COLOR="#0000ff"><B>bob</B></FONT><FONT COLOR="#000000">: <i>a</i> &amp; b<!-- (13:07:09) --></FONT>)";
    QTest::newRow("empty text")
        << "bob"
        << "" << QTime(1, 2, 3)
        << R"(<BR><FONT COLOR="#0000ff"><B>bob</B></FONT><FONT COLOR="#000000">: <!-- (01:02:03) --></FONT>)";
    QTest::newRow("non-ASCII speaker")
        << QString::fromUtf8("Zo\xC3\xAB") << "x" << QTime(10, 10, 10)
        << QString::fromUtf8(R"(<BR><FONT COLOR="#0000ff"><B>Zo)"
                             "\xC3\xAB"
                             R"(</B></FONT><FONT COLOR="#000000">: x<!-- (10:10:10) --></FONT>)");
}

void TstChatRoom::formatsLines() {
    QFETCH(QString, speaker);
    QFETCH(QString, html);
    QFETCH(QTime, time);
    QFETCH(QString, line);
    QCOMPARE(ChatRoom::formatLine(speaker, html, time), line);
}

void TstChatRoom::escapes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("ampersand") << "a&b"
                               << "a&amp;b";
    QTest::newRow("entity is escaped again") << "&amp;"
                                             << "&amp;amp;";
    QTest::newRow("angle brackets") << "<b>"
                                    << "&lt;b&gt;";
    QTest::newRow("quotes stay") << R"("it's")"
                                 << R"("it's")";
    QTest::newRow("mixed") << "1 < 2 & 3 > 0"
                           << "1 &lt; 2 &amp; 3 &gt; 0";
}

void TstChatRoom::escapes() {
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(ChatRoom::escape(text), escaped);
}

void TstChatRoom::sends_data() {
    QTest::addColumn<bool>("typedByHand");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("transcript");

    const QString head = R"(<BR><FONT COLOR="#0000ff"><B>Dj Me</B></FONT><FONT COLOR="#000000">: )";
    const QString tail = "<!-- (09:05:03) --></FONT>";
    QTest::newRow("HTML from the link as it stands")
        << false << "<b>x</b> &amp;" << head + "<b>x</b> &amp;" + tail;
    QTest::newRow("typed by hand is escaped")
        << true << "<b>x</b> &" << head + "&lt;b&gt;x&lt;/b&gt; &amp;" + tail;
    QTest::newRow("spaces only still send") << false << "  " << head + "  " + tail;
    QTest::newRow("empty box from the link sends nothing") << false << ""
                                                           << "";
    QTest::newRow("empty box typed sends nothing") << true << ""
                                                   << "";
}

void TstChatRoom::sends() {
    QFETCH(bool, typedByHand);
    QFETCH(QString, input);
    QFETCH(QString, transcript);

    ChatRoom *room = makeRoom(this);
    if (typedByHand)
        room->typeInput(input);
    else
        room->setInput(input);
    QCOMPARE(room->input(), input);

    QSignalSpy appended(room, &ChatRoom::lineAppended);
    QVERIFY(room->send());
    QCOMPARE(room->transcript(), transcript);
    QCOMPARE(room->input(), QString());
    QCOMPARE(appended.count(), transcript.isEmpty() ? 0 : 1);

    // The box is empty now: pressing send again adds nothing.
    room->send();
    QCOMPARE(room->transcript(), transcript);
    delete room;
}

void TstChatRoom::refusesLinesOverTheLimit_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");

    const qsizetype limit = ChatRoom::maxLineBytes;
    const QString atLimit(limit, QLatin1Char('x'));
    QTest::newRow("sent, at the limit") << "send" << atLimit << false;
    QTest::newRow("sent, one byte over") << "send" << atLimit + "y" << true;
    // The limit is in UTF-8 bytes, as lengths are on the link.
    QTest::newRow("sent, over in bytes only")
        << "send" << QString(limit / 2 + 1, QChar(0xE9)) << true;
    QTest::newRow("typed, at the limit") << "type" << atLimit << false;
    // Typed text is measured as it goes into the line, escaped.
    QTest::newRow("typed, over once escaped")
        << "type" << QString(limit / 4 + 1, QLatin1Char('<')) << true;
    QTest::newRow("member's line, at the limit") << "say" << atLimit << false;
    QTest::newRow("member's line, one byte over") << "say" << atLimit + "&" << true;
}

void TstChatRoom::refusesLinesOverTheLimit() {
    QFETCH(QString, how);
    QFETCH(QString, text);
    QFETCH(bool, refused);

    ChatRoom *room = makeRoom(this);
    room->setTranscript(QStringLiteral("<BR>before"));
    QSignalSpy refusals(room, &ChatRoom::lineRefused);
    bool accepted = false;
    if (how == "say") {
        accepted = room->say(QStringLiteral("Other"), text);
    } else {
        if (how == "type")
            room->typeInput(text);
        else
            room->setInput(text);
        accepted = room->send();
        // A refused line stays in the box, to be shortened.
        QCOMPARE(room->input(), refused ? text : QString());
    }
    QCOMPARE(accepted, !refused);
    QCOMPARE(room->transcript() == QStringLiteral("<BR>before"), refused);
    QCOMPARE(refusals.count(), refused ? 1 : 0);
    if (refused)
        QVERIFY(refusals.at(0).at(0).toString().contains(QString::number(ChatRoom::maxLineBytes)));
    delete room;
}

void TstChatRoom::membersSayTextEscaped() {
    ChatRoom *room = makeRoom(this);
    room->say(QStringLiteral("Other Guy"), QStringLiteral("a<b"));
    room->sayAsUser(QStringLiteral("c&d"));
    QCOMPARE(
        room->transcript(),
        QStringLiteral(
            R"(<BR><FONT COLOR="#0000ff"><B>Other Guy</B></FONT><FONT COLOR="#000000">: a&lt;b<!-- (09:05:03) --></FONT>)"
            R"(<BR><FONT COLOR="#0000ff"><B>Dj Me</B></FONT><FONT COLOR="#000000">: c&amp;d<!-- (09:05:03) --></FONT>)"));
    delete room;
}

void TstChatRoom::linesFollowTheUserName() {
    ChatRoom *room = makeRoom(this, QStringLiteral("first"));
    QSignalSpy renamed(room, &ChatRoom::userNameChanged);
    room->sayAsUser(QStringLiteral("1"));
    room->setUserName(QStringLiteral("Second Name"));
    room->setInput(QStringLiteral("2"));
    room->send();
    QCOMPARE(renamed.count(), 1);
    QCOMPARE(renamed.at(0).at(0).toString(), QStringLiteral("Second Name"));
    QCOMPARE(
        room->transcript(),
        QStringLiteral(
            R"(<BR><FONT COLOR="#0000ff"><B>first</B></FONT><FONT COLOR="#000000">: 1<!-- (09:05:03) --></FONT>)"
            R"(<BR><FONT COLOR="#0000ff"><B>Second Name</B></FONT><FONT COLOR="#000000">: 2<!-- (09:05:03) --></FONT>)"));
    delete room;
}

void TstChatRoom::linesAreAppendedAfterAReplacedTranscript() {
    ChatRoom *room = makeRoom(this, QStringLiteral("me"));
    room->sayAsUser(QStringLiteral("gone"));
    const QString cleared =
        QStringLiteral("<font color=blue><b>OnlineHost</b>:<font color=black> Chat Cleared!");
    QSignalSpy replaced(room, &ChatRoom::transcriptReplaced);
    QSignalSpy appended(room, &ChatRoom::lineAppended);
    room->setTranscript(cleared);
    QCOMPARE(room->transcript(), cleared);
    QCOMPARE(replaced.count(), 1);
    room->say(QStringLiteral("x"), QStringLiteral("y"));
    const QString line =
        R"(<BR><FONT COLOR="#0000ff"><B>x</B></FONT><FONT COLOR="#000000">: y<!-- (09:05:03) --></FONT>)";
    QCOMPARE(room->transcript(), cleared + line);
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(appended.count(), 1);
    QCOMPARE(appended.at(0).at(0).toString(), line);
    delete room;
}

void TstChatRoom::keepsReplacedTranscriptByteForByte() {
    ChatRoom *room = makeRoom(this);
    // Not valid UTF-8: a lone continuation byte and a truncated sequence.
    const QByteArray bytes("a\x80z\xE2\x82");
    room->setTranscriptUtf8(bytes);
    QCOMPARE(room->transcriptUtf8(), bytes);
    const QByteArray withBom("\xEF\xBB\xBF<BR>x");
    room->setTranscriptUtf8(withBom);
    QCOMPARE(room->transcriptUtf8(), withBom);
    QCOMPARE(room->transcript(), QString(QChar(0xFEFF)) + "<BR>x");
    delete room;
}

void TstChatRoom::keepsOnlyTheNewestLines_data() {
    QTest::addColumn<QByteArray>("replaced");
    QTest::addColumn<int>("said"); // lines said after it, one by one
    QTest::addColumn<int>("kept"); // line starts left
    const int most = ChatRoom::maxTranscriptLines;
    QTest::newRow("said one by one") << QByteArray("head") << most + 1 << most;
    QTest::newRow("replaced, too many lines")
        << QByteArray("<BR>x").repeated(most + 9) << 0 << most;
    // 1 MiB holds 65 whole lines of 16004 bytes.
    QTest::newRow("replaced, too many bytes")
        << ("<BR>" + QByteArray(16000, 'y')).repeated(100) << 0 << 65;
    QTest::newRow("replaced, one line too long") << "<BR>" + QByteArray(2 << 20, 'z') << 0 << 0;
}

void TstChatRoom::keepsOnlyTheNewestLines() {
    QFETCH(QByteArray, replaced);
    QFETCH(int, said);
    QFETCH(int, kept);
    ChatRoom *room = makeRoom(this);
    room->setTranscriptUtf8(replaced);
    for (int i = 1; i <= said; ++i)
        room->say(QStringLiteral("m"), QString::number(i));
    const QByteArray transcript = room->transcriptUtf8();
    QCOMPARE(transcript.count("<BR>"), kept);
    QVERIFY(transcript.size() <= ChatRoom::maxTranscriptBytes);
    QVERIFY(transcript.endsWith(said
                                    ? ": " + QByteArray::number(said) + "<!-- (09:05:03) --></FONT>"
                                    : replaced.right(16000)));
    delete room;
}

void TstChatRoom::stampsLocalTime() {
    ChatRoom room(QStringLiteral("me"), nullptr);
    const QTime before = QTime::currentTime();
    room.sayAsUser(QStringLiteral("now"));
    const QTime after = QTime::currentTime();
    if (after < before)
        QSKIP("the clock passed midnight during the test");

    const QRegularExpression stamp(QStringLiteral(R"(<!-- \((\d\d):(\d\d):(\d\d)\) --></FONT>$)"));
    const QRegularExpressionMatch match = stamp.match(room.transcript());
    QVERIFY2(match.hasMatch(), qPrintable(room.transcript()));
    const QTime stamped(match.captured(1).toInt(), match.captured(2).toInt(),
                        match.captured(3).toInt());
    QVERIFY(stamped.isValid());
    QVERIFY(stamped >= QTime(before.hour(), before.minute(), before.second()));
    QVERIFY(stamped <= after);
}

void TstChatRoom::startsWithTheLoginName() {
    QProcess id;
    id.start(QStringLiteral("id"), {QStringLiteral("-un")});
    QVERIFY(id.waitForFinished(5000));
    const QString login = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();
    QVERIFY(!login.isEmpty());
    QCOMPARE(ChatRoom::loginName(), login);
    ChatRoom room;
    QCOMPARE(room.userName(), login);
}

QTEST_GUILESS_MAIN(TstChatRoom)
#include "tst_chatroom.moc"
