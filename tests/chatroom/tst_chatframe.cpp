#include "platform/ChatFrame.h"

#include <QList>
#include <QTest>

using Status = ChatFrame::Status;
Q_DECLARE_METATYPE(ChatFrame::Status)

class TstChatFrame : public QObject {
    Q_OBJECT
private slots:
    void encodes_data();
    void encodes();
    void takes_data();
    void takes();
    void takesPayloadAtTheLimit();
    void takesFramesArrivingInPieces_data();
    void takesFramesArrivingInPieces();
    void decodesText_data();
    void decodesText();
};

void TstChatFrame::encodes_data() {
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty payload") << QByteArray("GET") << QByteArray() << QByteArray("GET 0\n");
    QTest::newRow("text") << QByteArray("SET") << QByteArray("hello") << QByteArray("SET 5\nhello");
    QTest::newRow("length counts bytes, not characters")
        << QByteArray("INPUT") << QByteArray("h\xC3\xA9") << QByteArray("INPUT 3\nh\xC3\xA9");
    QTest::newRow("two-digit length")
        << QByteArray("OK") << QByteArray("0123456789") << QByteArray("OK 10\n0123456789");
    QTest::newRow("payload with line feeds")
        << QByteArray("ERR") << QByteArray("\n\n") << QByteArray("ERR 2\n\n\n");
}

void TstChatFrame::encodes() {
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, bytes);

    QCOMPARE(ChatFrame::encode(verb, payload), bytes);
    QCOMPARE(ChatFrame(verb, payload).encode(), bytes);

    QByteArray buffer = bytes;
    ChatFrame decoded;
    QCOMPARE(ChatFrame::take(buffer, &decoded), Status::Complete);
    QCOMPARE(decoded, ChatFrame(verb, payload));
    QVERIFY(buffer.isEmpty());
}

void TstChatFrame::takes_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<Status>("status");
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("rest");

    const QByteArray none;
    auto complete = [](const char *name, const QByteArray &input, const QByteArray &verb,
                       const QByteArray &payload, const QByteArray &rest) {
        QTest::newRow(name) << input << Status::Complete << verb << payload << rest;
    };
    auto status = [&none](const char *name, const QByteArray &input, Status expected) {
        QTest::newRow(name) << input << expected << none << none << input;
    };

    complete("GET 0", "GET 0\n", "GET", none, none);
    complete("payload", "SET 5\nhello", "SET", "hello", none);
    complete("next frame stays", "OK 3\nabcGET 0\n", "OK", "abc", "GET 0\n");
    complete("payload holds line feeds", "INPUT 2\n\n\nX", "INPUT", "\n\n", "X");
    complete("verb case is kept", "get 0\n", "get", none, none);
    complete("verb of other printable bytes", "X-1_! 0\n", "X-1_!", none, none);
    complete("header of exactly 64 bytes", QByteArray(61, 'V') + " 0\n", QByteArray(61, 'V'), none,
             none);
    complete("length ten", "OK 10\n0123456789", "OK", "0123456789", none);

    status("nothing yet", "", Status::Incomplete);
    status("verb only", "GET", Status::Incomplete);
    status("length may go on", "GET 1", Status::Incomplete);
    status("payload short", "SET 10\nabc", Status::Incomplete);
    status("63 header bytes, no line feed", QByteArray(63, 'V'), Status::Incomplete);
    status("largest payload announced", "SET 16777216\n", Status::Incomplete);

    status("leading zero", "GET 01\n", Status::Malformed);
    status("double zero", "GET 00\n", Status::Malformed);
    status("leading zero seen early", "GET 00", Status::Malformed);
    status("plus sign", "GET +1\n", Status::Malformed);
    status("minus zero", "GET -0\n", Status::Malformed);
    status("no length", "GET \n", Status::Malformed);
    status("no space", "GET\n", Status::Malformed);
    status("empty verb", " 0\n", Status::Malformed);
    status("two spaces", "GET  0\n", Status::Malformed);
    status("trailing space", "GET 0 \n", Status::Malformed);
    status("carriage return", "GET 0\r\n", Status::Malformed);
    status("tab", "GET\t0\n", Status::Malformed);
    status("non-ASCII verb", "G\xC3\xA9T 0\n", Status::Malformed);
    status("control byte seen early", QByteArray("G\0", 2), Status::Malformed);
    status("letter in length", "GET 1a\n", Status::Malformed);
    status("hex length", "GET 0x1\n", Status::Malformed);
    status("bare line feed", "\n", Status::Malformed);
    status("header of 65 bytes", QByteArray(62, 'V') + " 0\n", Status::Malformed);
    status("64 bytes without line feed", QByteArray(64, 'V'), Status::Malformed);

    status("one byte over the limit", "SET 16777217\n", Status::TooLarge);
    status("over the limit seen early", "SET 16777217", Status::TooLarge);
    status("nine digits", "SET 100000000\n", Status::TooLarge);
    status("would overflow", "SET 99999999999999999999999999\n", Status::TooLarge);
}

void TstChatFrame::takes() {
    QFETCH(QByteArray, input);
    QFETCH(Status, status);
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, rest);

    QByteArray buffer = input;
    ChatFrame frame;
    QCOMPARE(ChatFrame::take(buffer, &frame), status);
    QCOMPARE(buffer, rest);
    if (status == Status::Complete)
        QCOMPARE(frame, ChatFrame(verb, payload));
}

void TstChatFrame::takesPayloadAtTheLimit() {
    const QByteArray payload(ChatFrame::maxPayloadSize, 'x');
    QByteArray buffer = QByteArray("SET 16777216\n") + payload + "GET 0\n";
    ChatFrame frame;
    QCOMPARE(ChatFrame::take(buffer, &frame), Status::Complete);
    QCOMPARE(frame.verb(), QByteArray("SET"));
    QCOMPARE(frame.payload().size(), qsizetype(16777216));
    QVERIFY(frame.payload() == payload);
    QCOMPARE(buffer, QByteArray("GET 0\n"));
}

void TstChatFrame::takesFramesArrivingInPieces_data() {
    QTest::addColumn<int>("pieceSize");
    for (int size : {1, 2, 3, 5, 7, 64, 1000})
        QTest::addRow("%d-byte pieces", size) << size;
}

void TstChatFrame::takesFramesArrivingInPieces() {
    QFETCH(int, pieceSize);
    const QByteArray stream("GET 0\nSET 7\nh\xC3\xA9llo\nINPUT 0\nOK 12\n<BR>a: b</A>ERR 3\nbad");
    const QList<ChatFrame> expected{{"GET", ""},
                                    {"SET", "h\xC3\xA9llo\n"},
                                    {"INPUT", ""},
                                    {"OK", "<BR>a: b</A>"},
                                    {"ERR", "bad"}};

    QList<ChatFrame> frames;
    QByteArray buffer;
    for (qsizetype at = 0; at < stream.size(); at += pieceSize) {
        buffer += stream.mid(at, pieceSize);
        ChatFrame frame;
        Status status;
        while ((status = ChatFrame::take(buffer, &frame)) == Status::Complete)
            frames << frame;
        QCOMPARE(status, Status::Incomplete);
    }
    QCOMPARE(frames, expected);
    QVERIFY(buffer.isEmpty());
}

void TstChatFrame::decodesText_data() {
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("two-byte character") << QByteArray("h\xC3\xA9") << QStringLiteral("h\u00E9");
    QTest::newRow("outside the basic plane")
        << QByteArray("\xF0\x9F\x98\x80") << QString::fromUcs4(U"\U0001F600", 1);
    QTest::newRow("leading byte order mark kept")
        << QByteArray("\xEF\xBB\xBFx") << QStringLiteral("\uFEFFx");
    QTest::newRow("stray byte replaced") << QByteArray("a\x80z") << QStringLiteral("a\uFFFDz");
}

void TstChatFrame::decodesText() {
    QFETCH(QByteArray, utf8);
    QFETCH(QString, text);
    QCOMPARE(ChatFrame::decodeText(utf8), text);
}

QTEST_GUILESS_MAIN(TstChatFrame)
#include "tst_chatframe.moc"
