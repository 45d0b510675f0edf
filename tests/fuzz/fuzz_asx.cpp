// The .asx playlist reader on playlists made by anyone: nesting, entities, junk and huge
// attribute values. The input is the playlist's bytes; "\x01" marks a piece that is repeated
// (A \x01 B \x01 C reads as A, then B over and over up to 256 KiB, then C), so that huge
// titles and attribute values are tried without huge inputs.
#include "FuzzInput.h"

#include "platform/FileNames.h"
#include "player/AsxPlaylist.h"

#include <QDir>

namespace {

constexpr qsizetype kRepeatedBytes = 256 * 1024;

QByteArray expand(const QByteArray &input) {
    const qsizetype first = input.indexOf('\x01');
    const qsizetype second = first < 0 ? -1 : input.indexOf('\x01', first + 1);
    if (second < 0)
        return input;
    const QByteArray piece = input.mid(first + 1, second - first - 1);
    if (piece.isEmpty())
        return input;
    return input.left(first) + piece.repeated(kRepeatedBytes / piece.size()) +
           input.mid(second + 1);
}

// A path as a file: URL whose every byte but letters and digits is percent-encoded, so the
// playlist stays ASCII whatever the name's bytes are.
QByteArray fileUrl(const QByteArray &path) {
    return "file://" + path.toPercentEncoding("/");
}

bool same(const AsxPlaylist &a, const AsxPlaylist &b) {
    if (a.title() != b.title() || a.author() != b.author() ||
        a.entries().size() != b.entries().size())
        return false;
    for (qsizetype i = 0; i < a.entries().size(); ++i) {
        const AsxPlaylist::Entry &x = a.entries().at(i);
        const AsxPlaylist::Entry &y = b.entries().at(i);
        if (x.refs != y.refs || x.title != y.title || x.author != y.author)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray text = expand(fuzz::bytes(data, size));
    const QString base = QStringLiteral("/music/lists");
    const AsxPlaylist playlist = AsxPlaylist::parse(text, base);

    // The result is never larger than what it was read from.
    FUZZ_CHECK(playlist.entries().size() <= text.size());
    const auto checkText = [](const QString &s) {
        FUZZ_CHECK(s == s.simplified());
    };
    checkText(playlist.title());
    checkText(playlist.author());
    for (const AsxPlaylist::Entry &entry : playlist.entries()) {
        FUZZ_CHECK(!entry.refs.isEmpty());
        checkText(entry.title);
        checkText(entry.author);
        // References are local, absolute and clean, whatever the playlist wrote.
        for (const QString &ref : entry.refs) {
            FUZZ_CHECK(ref.startsWith(QLatin1Char('/')));
            FUZZ_CHECK(QDir::cleanPath(ref) == ref);
            FUZZ_CHECK(!ref.contains(QLatin1String("://")));
        }
    }

    // What was read, written out as a plain playlist, reads back the same.
    QByteArray written = "<ASX version=\"3.0\">\n";
    if (!playlist.title().isEmpty())
        written += "<TITLE>" + playlist.title().toHtmlEscaped().toUtf8() + "</TITLE>\n";
    if (!playlist.author().isEmpty())
        written += "<AUTHOR>" + playlist.author().toHtmlEscaped().toUtf8() + "</AUTHOR>\n";
    for (const AsxPlaylist::Entry &entry : playlist.entries()) {
        written += "<ENTRY>";
        if (!entry.title.isEmpty())
            written += "<TITLE>" + entry.title.toHtmlEscaped().toUtf8() + "</TITLE>";
        if (!entry.author.isEmpty())
            written += "<AUTHOR>" + entry.author.toHtmlEscaped().toUtf8() + "</AUTHOR>";
        for (const QString &ref : entry.refs)
            written += "<REF HREF=\"" + fileUrl(FileNames::encode(ref)) + "\"/>";
        written += "</ENTRY>\n";
    }
    written += "</ASX>\n";
    const AsxPlaylist back = AsxPlaylist::parse(written, QStringLiteral("/elsewhere"));
    FUZZ_CHECK(back.isValid());
    FUZZ_CHECK(same(playlist, back));
    return 0;
}
