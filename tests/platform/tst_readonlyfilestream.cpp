#include "platform/ReadOnlyFileStream.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

constexpr int kFileSize = 20000;

QByteArray pattern() {
    QByteArray bytes(kFileSize, '\0');
    for (int i = 0; i < kFileSize; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

} // namespace

// Reads through the cached start and end of the file must give exactly the bytes a plain read
// gives, wherever they start and however far they reach.
class TestReadOnlyFileStream : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void reads_data();
    void reads();
    void notAFile_data();
    void notAFile();

private:
    QTemporaryDir m_dir;
    QByteArray m_path;
};

void TestReadOnlyFileStream::initTestCase() {
    m_path = QFile::encodeName(m_dir.filePath(QStringLiteral("data.bin")));
    QFile file(QFile::decodeName(m_path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(pattern()), qint64(kFileSize));
}

void TestReadOnlyFileStream::reads_data() {
    QTest::addColumn<long>("offset");
    QTest::addColumn<int>("from"); // 0 beginning, 1 current (after reading 100), 2 end
    QTest::addColumn<int>("length");
    QTest::addColumn<long>("expectedStart");
    QTest::addColumn<int>("expectedLength");

    QTest::newRow("header") << 0L << 0 << 10 << 0L << 10;
    QTest::newRow("whole start window") << 0L << 0 << 4096 << 0L << 4096;
    QTest::newRow("across the start window") << 4090L << 0 << 20 << 4090L << 20;
    QTest::newRow("middle") << 9000L << 0 << 1000 << 9000L << 1000;
    QTest::newRow("across into the end window") << 15900L << 0 << 200 << 15900L << 200;
    QTest::newRow("ID3v1 from the end") << -128L << 2 << 128 << long(kFileSize - 128) << 128;
    QTest::newRow("past the end is cut") << -10L << 2 << 100 << long(kFileSize - 10) << 10;
    QTest::newRow("beyond the end") << 30000L << 0 << 10 << 0L << 0;
    QTest::newRow("relative") << 50L << 1 << 30 << 150L << 30;
    QTest::newRow("before the start is the start") << -50L << 0 << 5 << 0L << 5;
    QTest::newRow("whole file") << 0L << 0 << kFileSize * 2 << 0L << kFileSize;
}

void TestReadOnlyFileStream::reads() {
    QFETCH(long, offset);
    QFETCH(int, from);
    QFETCH(int, length);
    QFETCH(long, expectedStart);
    QFETCH(int, expectedLength);

    ReadOnlyFileStream stream(m_path);
    QVERIFY(stream.isOpen());
    QVERIFY(stream.readOnly());
    QCOMPARE(stream.length(), long(kFileSize));
    // Warm the windows the way TagLib does, so that later reads come from them.
    stream.seek(-128, TagLib::IOStream::End);
    QCOMPARE(stream.readBlock(128).size(), 128u);
    stream.seek(0);
    QCOMPARE(stream.readBlock(100).size(), 100u);
    if (from != 1)
        stream.seek(offset, from == 0 ? TagLib::IOStream::Beginning : TagLib::IOStream::End);
    else
        stream.seek(offset, TagLib::IOStream::Current);

    const TagLib::ByteVector block = stream.readBlock(static_cast<unsigned long>(length));
    const QByteArray got(block.data(), qsizetype(block.size()));
    QCOMPARE(got, pattern().mid(expectedStart, expectedLength));
    if (expectedLength > 0)
        QCOMPARE(stream.tell(), expectedStart + expectedLength);
    // Writing is refused quietly.
    stream.writeBlock(TagLib::ByteVector("xx", 2));
    stream.seek(0);
    QCOMPARE(QByteArray(stream.readBlock(4).data(), 4), pattern().left(4));
}

void TestReadOnlyFileStream::notAFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("folder") << "folder";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("empty") << "empty";
}

void TestReadOnlyFileStream::notAFile() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(kind);
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(path));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("empty"))
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));

    ReadOnlyFileStream stream(QFile::encodeName(path)); // must return at once for a FIFO
    QVERIFY(!stream.isOpen());
    QCOMPARE(stream.length(), 0L);
    QCOMPARE(stream.readBlock(10).size(), 0u);
}

QTEST_GUILESS_MAIN(TestReadOnlyFileStream)
#include "tst_readonlyfilestream.moc"
