#include "platform/FileNames.h"
#include "player/AsxPlaylist.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

// An entry as one line: its references joined by ';', then '|' title, then '|' author.
QStringList describe(const AsxPlaylist &playlist) {
    QStringList lines;
    for (const AsxPlaylist::Entry &entry : playlist.entries())
        lines.append(entry.refs.join(QLatin1Char(';')) + QLatin1Char('|') + entry.title +
                     QLatin1Char('|') + entry.author);
    return lines;
}

} // namespace

class TestAsxPlaylist : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void utf16WithByteOrderMark();
    void load_data();
    void load();
    void loadGeneratedPlaylist();
};

void TestAsxPlaylist::parse_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("author");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("well formed")
        << QByteArray("<asx version=\"3.0\"><title>List</title><author>Who</author>"
                      "<entry><title>One</title><author>A1</author><ref href=\"a.mp3\"/></entry>"
                      "<entry><ref href=\"b.wma\"/></entry></asx>")
        << true << "List"
        << "Who" << QStringList{"/base/a.mp3|One|A1", "/base/b.wma||"};
    QTest::newRow("names in any case")
        << QByteArray("<AsX><TiTlE>T</tItLe><EnTrY><rEf HrEf=\"x.mp3\"></ReF></eNtRy></aSx>")
        << true << "T"
        << "" << QStringList{"/base/x.mp3||"};
    QTest::newRow("spaces around =")
        << QByteArray("<asx><entry><ref href = \"a b.mp3\" /></entry></asx>") << true << ""
        << "" << QStringList{"/base/a b.mp3||"};
    QTest::newRow("unquoted value")
        << QByteArray("<asx><entry><ref href=song.mp3></entry></asx>") << true << ""
        << "" << QStringList{"/base/song.mp3||"};
    QTest::newRow("unquoted value closed by />")
        << QByteArray("<asx><entry><ref href=song.mp3/></entry></asx>") << true << ""
        << "" << QStringList{"/base/song.mp3||"};
    QTest::newRow("single quotes around a double quote")
        << QByteArray("<asx><entry><ref href='say \"hi\".mp3'/></entry></asx>") << true << ""
        << "" << QStringList{"/base/say \"hi\".mp3||"};
    QTest::newRow("other attributes and a bare one")
        << QByteArray("<asx><entry clientskip=no><ref checked href=\"a.mp3\" x='1'/></entry>")
        << true << ""
        << "" << QStringList{"/base/a.mp3||"};
    QTest::newRow("entries never closed")
        << QByteArray("<asx><entry><ref href=a.mp3><entry><ref href=b.mp3></asx>") << true << ""
        << "" << QStringList{"/base/a.mp3||", "/base/b.mp3||"};
    QTest::newRow("nothing closed at all")
        << QByteArray("<asx><title>Mix<entry><title>First<ref href=a.mp3>") << true << "Mix"
        << "" << QStringList{"/base/a.mp3|First|"};
    QTest::newRow("comments") << QByteArray(
                                     "<asx><!-- <entry><ref href=\"hidden.mp3\"></entry> -->"
                                     "<entry><ref href=\"shown.mp3\"/></entry><!-- never closed")
                              << true << ""
                              << "" << QStringList{"/base/shown.mp3||"};
    QTest::newRow("junk around and between")
        << QByteArray("garbage < 3 > && <?xml version=1?><!DOCTYPE x> <asx> junk <entry> x < y"
                      " <ref href=\"a.mp3\"> z </entry> trailing <")
        << true << ""
        << "" << QStringList{"/base/a.mp3||"};
    QTest::newRow("absolute path")
        << QByteArray("<asx><entry><ref href=\"/music/a.mp3\">") << true << ""
        << "" << QStringList{"/music/a.mp3||"};
    QTest::newRow("file URL") << QByteArray("<asx><entry><ref href=\"file:///music/a%20b.mp3\">")
                              << true << ""
                              << "" << QStringList{"/music/a b.mp3||"};
    QTest::newRow("file URL with a host")
        << QByteArray("<asx><entry><ref href=\"FILE://localhost/music/x.mp3\">") << true << ""
        << "" << QStringList{"/music/x.mp3||"};
    QTest::newRow("remote references are dropped")
        << QByteArray("<asx><entry><ref href=\"http://example.com/a.mp3\"/></entry>"
                      "<entry><ref href=\"mms://host/b\"/><ref href=\"b.mp3\"/></entry></asx>")
        << true << ""
        << "" << QStringList{"/base/b.mp3||"};
    QTest::newRow("parent folder")
        << QByteArray("<asx><entry><ref href=\"../other/./a.mp3\">") << true << ""
        << "" << QStringList{"/other/a.mp3||"};
    QTest::newRow("Windows separators")
        << QByteArray("<asx><entry><ref href=\"sub\\dir\\a.mp3\"></entry></asx>") << true << ""
        << "" << QStringList{"/base/sub/dir/a.mp3||"};
    QTest::newRow("alternatives in one entry")
        << QByteArray("<asx><entry><ref href=a.mp3><ref href=b.mp3><title>T</title></entry>")
        << true << ""
        << "" << QStringList{"/base/a.mp3;/base/b.mp3|T|"};
    QTest::newRow("entities") << QByteArray(
                                     "<asx><title>Rock &amp; Roll &#233;&#xE9; &bogus; &</title>"
                                     "<entry><ref href=\"a&amp;b.mp3\"></entry></asx>")
                              << true << QString::fromUtf8("Rock & Roll \xc3\xa9\xc3\xa9 &bogus; &")
                              << "" << QStringList{"/base/a&b.mp3||"};
    QTest::newRow("whitespace collapsed, first title wins")
        << QByteArray("<asx><title>\n  Two\t words  </title><title>Second</title></asx>") << true
        << "Two words"
        << "" << QStringList{};
    QTest::newRow("other tags inside a title")
        << QByteArray("<asx><title>Big <b>Bold</b> Name</title></asx>") << true << "Big Bold Name"
        << "" << QStringList{};
    QTest::newRow("entry elements stay with the entry")
        << QByteArray("<asx><entry><title>E</title><author>EA</author><ref href=a.mp3></entry>"
                      "<author>Late</author></asx>")
        << true << ""
        << "Late" << QStringList{"/base/a.mp3|E|EA"};
    QTest::newRow("Latin-1 text") << QByteArray("<asx><title>Caf\xe9</title></asx>") << true
                                  << QString::fromUtf8("Caf\xc3\xa9") << "" << QStringList{};
    QTest::newRow("UTF-8 text with BOM")
        << QByteArray("\xef\xbb\xbf<asx><author>Caf\xc3\xa9</author></asx>") << true << ""
        << QString::fromUtf8("Caf\xc3\xa9") << QStringList{};
    QTest::newRow("name bytes that are not UTF-8")
        << QByteArray("<asx><entry><ref href=\"caf\xe9.mp3\"></entry></asx>") << true << ""
        << "" << QStringList{FileNames::decode(QByteArray("/base/caf\xe9.mp3")) + "||"};
    QTest::newRow("entry without a reference")
        << QByteArray("<asx><entry><title>x</title></entry><entry><ref href=\"\"></entry></asx>")
        << true << ""
        << "" << QStringList{};
    QTest::newRow("reference outside an entry")
        << QByteArray("<asx><ref href=a.mp3></asx>") << true << ""
        << "" << QStringList{};
    QTest::newRow("no entries") << QByteArray("<asx version=\"3.0\"><title>Empty</title></asx>")
                                << true << "Empty"
                                << "" << QStringList{};
    QTest::newRow("cut off inside a tag")
        << QByteArray("<asx version=\"3.0\"><entry><ref href=\"nowhere.mp3\"") << true << ""
        << "" << QStringList{};
    QTest::newRow("quote never closed")
        << QByteArray("<asx><entry><ref href=\"a.mp3></entry></asx>") << true << ""
        << "" << QStringList{};
    QTest::newRow("not a playlist") << QByteArray("<html><body>hi</body></html>") << false << ""
                                    << "" << QStringList{};
    QTest::newRow("garbage") << QByteArray("\x00\xff<<>>\x01</>< />=\"'", 17) << false << ""
                             << "" << QStringList{};
    QTest::newRow("empty") << QByteArray() << false << ""
                           << "" << QStringList{};
    // Each '&' once looked for its ';' to the end of the value: hours for a value this long.
    const QByteArray ampersands(1 << 20, '&');
    QTest::newRow("a megabyte of bare ampersands")
        << "<asx><title>" + ampersands + "</title><entry><ref href=\"" + ampersands +
               "\"/></entry></asx>"
        << true << QString(ampersands) << "" << QStringList{"/base/" + QString(ampersands) + "||"};
}

void TestAsxPlaylist::parse() {
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QString, title);
    QFETCH(QString, author);
    QFETCH(QStringList, entries);

    const AsxPlaylist playlist = AsxPlaylist::parse(text, QStringLiteral("/base"));
    QCOMPARE(playlist.isValid(), valid);
    QCOMPARE(playlist.title(), title);
    QCOMPARE(playlist.author(), author);
    QCOMPARE(describe(playlist), entries);
}

void TestAsxPlaylist::utf16WithByteOrderMark() {
    const QString text = QString::fromUtf8("<ASX><TITLE>Caf\xc3\xa9</TITLE><ENTRY>"
                                           "<REF HREF=\"a.mp3\"/></ENTRY></ASX>");
    QByteArray bytes("\xff\xfe");
    bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    const AsxPlaylist playlist = AsxPlaylist::parse(bytes, QStringLiteral("/base"));
    QVERIFY(playlist.isValid());
    QCOMPARE(playlist.title(), QString::fromUtf8("Caf\xc3\xa9"));
    QCOMPARE(describe(playlist), QStringList({"/base/a.mp3||"}));
}

void TestAsxPlaylist::load_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("entries");

    QTest::newRow("file") << "file" << true << 1;
    QTest::newRow("missing") << "missing" << false << 0;
    QTest::newRow("folder") << "folder" << false << 0;
    QTest::newRow("fifo") << "fifo" << false << 0;
}

void TestAsxPlaylist::load() {
    QFETCH(QString, kind);
    QFETCH(bool, valid);
    QFETCH(int, entries);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.asx"));
    if (kind == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<asx><entry><ref href=\"sub/a.mp3\"/></entry></asx>");
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == QLatin1String("fifo")) {
        // Nobody writes to it: reading it would never return.
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    const AsxPlaylist playlist = AsxPlaylist::load(path);
    QCOMPARE(playlist.isValid(), valid);
    QCOMPARE(playlist.entries().size(), entries);
    if (entries > 0)
        QCOMPARE(playlist.entries().first().refs, QStringList{dir.filePath("sub/a.mp3")});
}

void TestAsxPlaylist::loadGeneratedPlaylist() {
    const AsxPlaylist playlist = AsxPlaylist::load(testenv::media("playlist.asx"));
    QVERIFY(playlist.isValid());
    QCOMPARE(playlist.title(), QStringLiteral("A Test Playlist"));
    QCOMPARE(describe(playlist),
             QStringList({testenv::media("untagged.mp3") + "|First Entry|Playlist Author",
                          testenv::media("tagged.wma") + "||"}));
    QVERIFY(!AsxPlaylist::load(testenv::media("malformed.asx")).isValid() ||
            AsxPlaylist::load(testenv::media("malformed.asx")).entries().isEmpty());
}

QTEST_GUILESS_MAIN(TestAsxPlaylist)
#include "tst_asxplaylist.moc"
