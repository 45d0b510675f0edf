#include "platform/FileNames.h"
#include "platform/TagLibReader.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFuture>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestTagLibReader : public QObject {
    Q_OBJECT

private slots:
    void facts_data();
    void facts();
    void tagsMatchFacts_data();
    void tagsMatchFacts();
    void otherFormats_data();
    void otherFormats();
    void brokenFiles_data();
    void brokenFiles();
    void fifoDoesNotBlock_data();
    void fifoDoesNotBlock();
    void awkwardFileNames_data();
    void awkwardFileNames();
    void concurrentReads();

private:
    TagLibReader m_reader;
};

void TestTagLibReader::facts_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("lengthMs");
    QTest::addColumn<int>("bitrate");

    // Lengths as made by make-test-media; the encoder adds a frame or two of padding.
    QTest::newRow("mp3 with ID3v2") << "tagged.mp3"
                                    << "Test Artist"
                                    << "Test Title" << 20000 << 128000;
    QTest::newRow("mp3 without tags") << "untagged.mp3"
                                      << ""
                                      << "" << 5000 << 64000;
    QTest::newRow("mp3 with a title only") << "titleonly.mp3"
                                           << ""
                                           << "Only A Title" << 4000 << 96000;
    QTest::newRow("mp3 over a minute") << "long.mp3"
                                       << "Long Artist"
                                       << "Long Title" << 65000 << 32000;
    QTest::newRow("wma: ASF Author") << "tagged.wma"
                                     << "Wma Author"
                                     << "Wma Title" << 6000 << 64000;
    // A picture makes the ID3v2 tag larger than the first block read.
    QTest::newRow("mp3 with cover art") << "cover.mp3"
                                        << "Cover Artist"
                                        << "Cover Title" << 3000 << 64000;
    QTest::newRow("mp3 with ID3v1 only") << "id3v1.mp3"
                                         << "Old Artist"
                                         << "Old Title" << 3000 << 64000;
    QTest::newRow("asf: ASF Author") << "tagged.asf"
                                     << "Asf Author"
                                     << "Asf Title" << 6000 << 64000;
}

void TestTagLibReader::facts() {
    QFETCH(QString, file);
    QFETCH(QString, artist);
    QFETCH(QString, title);
    QFETCH(int, lengthMs);
    QFETCH(int, bitrate);

    const MediaFacts facts = m_reader.readFacts(testenv::media(file));
    QVERIFY(facts.readable);
    QCOMPARE(facts.artist, artist);
    QCOMPARE(facts.title, title);
    QVERIFY2(qAbs(facts.lengthMs - lengthMs) <= 150, qPrintable(QString::number(facts.lengthMs)));
    // Constant bit rate files report their nominal rate; allow the rounding of frame padding.
    QVERIFY2(qAbs(facts.bitrate - bitrate) <= bitrate / 50,
             qPrintable(QString::number(facts.bitrate)));
    if (file == QLatin1String("tagged.mp3"))
        QCOMPARE(facts.bitrate, 128000);
}

void TestTagLibReader::tagsMatchFacts_data() {
    facts_data();
}

void TestTagLibReader::tagsMatchFacts() {
    QFETCH(QString, file);
    QFETCH(QString, artist);
    QFETCH(QString, title);

    const MediaTags tags = m_reader.readTags(testenv::media(file));
    QCOMPARE(tags.artist, artist);
    QCOMPARE(tags.title, title);
}

void TestTagLibReader::otherFormats_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("lengthMs"); // 0: TagLib has no length for the format
    for (const char *extension : {"flac", "ogg", "opus", "m4a", "wv", "wav"})
        QTest::newRow(extension) << QString::fromLatin1(extension) << 2000;
    QTest::newRow("aac: ID3v2 in front of raw AAC") << QStringLiteral("aac") << 0;
}

void TestTagLibReader::otherFormats() {
    QFETCH(QString, extension);
    QFETCH(int, lengthMs);
    const QString file = testenv::media("other." + extension);
    const QString name = extension.left(1).toUpper() + extension.mid(1);
    const MediaTags tags = m_reader.readTags(file);
    const MediaFacts facts = m_reader.readFacts(file);
    QCOMPARE(tags.artist, name + " Artist");
    QCOMPARE(tags.title, name + " Title");
    QCOMPARE(facts.artist, tags.artist);
    QCOMPARE(facts.title, tags.title);
    QVERIFY2(qAbs(facts.lengthMs - lengthMs) <= 150, qPrintable(QString::number(facts.lengthMs)));
}

void TestTagLibReader::brokenFiles_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("artist");

    QTest::newRow("empty") << testenv::media("empty.mp3") << false << "";
    QTest::newRow("random bytes") << testenv::media("random.mp3") << false << "";
    // The tag at the start survived the cut, and the frame header still promises 20 s.
    QTest::newRow("truncated") << testenv::media("truncated.mp3") << true << "Test Artist";
    QTest::newRow("missing") << testenv::media("no-such-file.mp3") << false << "";
    QTest::newRow("playlist") << testenv::media("playlist.asx") << false << "";
    QTest::newRow("no extension") << testenv::media(".stamp") << false << "";
    QTest::newRow("empty path") << QString() << false << "";
    QTest::newRow("root folder") << QStringLiteral("/") << false << "";
}

void TestTagLibReader::brokenFiles() {
    QFETCH(QString, path);
    QFETCH(bool, readable);
    QFETCH(QString, artist);

    const MediaFacts facts = m_reader.readFacts(path);
    QCOMPARE(facts.readable, readable);
    QCOMPARE(facts.artist, artist);
    QCOMPARE(m_reader.readTags(path).artist, artist);
    if (!readable) {
        QCOMPARE(facts.lengthMs, 0);
        QCOMPARE(facts.bitrate, 0);
    }

    // The same kinds of damage behind names that pick each format's own reader.
    QTemporaryDir dir;
    QFile source(path);
    const QByteArray bytes = source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
    for (const char *ext : {"wma", "flac", "ogg", "m4a", "wav", "opus", "ape", "xyz"}) {
        const QString copy = dir.filePath(QStringLiteral("copy.") + QLatin1String(ext));
        QFile out(copy);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes.left(4096));
        out.close();
        const MediaFacts other = m_reader.readFacts(copy);
        QVERIFY2(!other.readable || bytes.size() > 0, ext);
        QCOMPARE(m_reader.readTags(copy).title, other.title);
    }
}

void TestTagLibReader::fifoDoesNotBlock_data() {
    QTest::addColumn<bool>("withFacts");
    QTest::newRow("readTags") << false;
    QTest::newRow("readFacts") << true;
}

void TestTagLibReader::fifoDoesNotBlock() {
    QFETCH(bool, withFacts);
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("x.mp3")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);

    QFuture<QString> read = QtConcurrent::run([this, fifo, withFacts] {
        const QString path = FileNames::decode(fifo);
        return withFacts ? m_reader.readFacts(path).artist : m_reader.readTags(path).artist;
    });
    const bool done = QTest::qWaitFor([&] { return read.isFinished(); }, 5000);
    if (!done) {
        // Let the blocked reader go, so that the test can end and report.
        const int fd = ::open(fifo.constData(), O_RDWR);
        ::close(fd);
        read.waitForFinished();
    }
    QVERIFY2(done, "reading a FIFO blocked");
    QCOMPARE(read.result(), QString());

    // A folder named like a media file is no file either.
    const QString folder = dir.filePath(QStringLiteral("folder.mp3"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(!m_reader.readFacts(folder).readable);
    QCOMPARE(m_reader.readTags(folder).title, QString());
}

void TestTagLibReader::awkwardFileNames_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("pipe") << QByteArray("a|b.mp3");
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9 \xff.mp3");
    QTest::newRow("UTF-8") << QByteArray("\xc3\xa9t\xc3\xa9.mp3");
    QTest::newRow("upper-case extension") << QByteArray("LOUD.MP3");
}

void TestTagLibReader::awkwardFileNames() {
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    const QByteArray target = QFile::encodeName(dir.path()) + '/' + name;
    QVERIFY(testenv::copyToByteName(testenv::media("tagged.mp3"), target));

    const QString path = FileNames::decode(target);
    const MediaFacts facts = m_reader.readFacts(path);
    QVERIFY(facts.readable);
    QCOMPARE(facts.artist, QStringLiteral("Test Artist"));
    QCOMPARE(m_reader.readTags(path).title, QStringLiteral("Test Title"));
}

void TestTagLibReader::concurrentReads() {
    const QStringList files = {testenv::media("tagged.mp3"), testenv::media("tagged.wma"),
                               testenv::media("titleonly.mp3"), testenv::media("random.mp3")};
    QStringList work;
    for (int i = 0; i < 100; ++i)
        work += files;
    const QStringList expected = {"Test Title", "Wma Title", "Only A Title", ""};
    const QList<QString> titles = QtConcurrent::blockingMapped(
        work, [this](const QString &path) { return m_reader.readTags(path).title; });
    QCOMPARE(titles.size(), work.size());
    for (qsizetype i = 0; i < titles.size(); ++i)
        QCOMPARE(titles.at(i), expected.at(i % expected.size()));
}

QTEST_GUILESS_MAIN(TestTagLibReader)
#include "tst_taglibreader.moc"
