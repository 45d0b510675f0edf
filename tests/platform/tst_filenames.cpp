#include "platform/FileNames.h"

#include <QTest>

class TestFileNames : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void validUtf8DecodesAsQtDoes_data();
    void validUtf8DecodesAsQtDoes();
};

void TestFileNames::roundTrip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QByteArray("song.mp3");
    QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5.mp3");
    QTest::newRow("latin-1 byte") << QByteArray("caf\xe9.mp3");
    QTest::newRow("lone continuation") << QByteArray("a\x80z");
    QTest::newRow("truncated sequence at end") << QByteArray("abc\xe2\x82");
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xafz");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80x");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
    QTest::newRow("ff fe") << QByteArray("\xff\xfe");
    QTest::newRow("nul inside") << QByteArray("a\0b", 3);
    QTest::newRow("empty") << QByteArray();
}

void TestFileNames::roundTrip() {
    QFETCH(QByteArray, bytes);
    QCOMPARE(FileNames::encode(FileNames::decode(bytes)), bytes);
}

void TestFileNames::validUtf8DecodesAsQtDoes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QByteArray("Deep Purple - Smoke.mp3");
    QTest::newRow("two-byte") << QByteArray("M\xc3\xb6tley Cr\xc3\xbc"
                                            "e");
    QTest::newRow("three-byte") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac");
    QTest::newRow("four-byte") << QByteArray("\xf0\x9f\x8e\xb5 x");
}

void TestFileNames::validUtf8DecodesAsQtDoes() {
    QFETCH(QByteArray, bytes);
    QCOMPARE(FileNames::decode(bytes), QString::fromUtf8(bytes));
    QCOMPARE(FileNames::encode(QString::fromUtf8(bytes)), bytes);
}

QTEST_GUILESS_MAIN(TestFileNames)
#include "tst_filenames.moc"
