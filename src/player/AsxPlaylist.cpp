#include "player/AsxPlaylist.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QHash>
#include <QStringDecoder>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Playlists are a few kilobytes; anything far larger is not one.
constexpr qsizetype kMaxPlaylistBytes = 4 * 1024 * 1024;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

// Elements of the format. Any other tag (<b>, say) inside a title is ignored rather than
// taken as the end of the title.
bool isAsxElement(const QByteArray &name) {
    static const QList<QByteArray> known = {
        "asx",       "entry",     "ref",        "title",     "author", "abstract",
        "copyright", "moreinfo",  "param",      "banner",    "base",   "entryref",
        "repeat",    "event",     "duration",   "starttime", "logurl", "previewduration",
        "skin",      "endmarker", "startmarker"};
    return known.contains(name);
}

struct Tag {
    QByteArray name; // lower case
    bool closing = false;
    bool selfClosing = false;
    QHash<QByteArray, QByteArray> attributes; // lower-case names, raw values
};

// Reads the tag whose '<' is at data[pos]. Returns the index after its '>', 0 when the text
// at pos is not a tag at all (a lone '<' in junk), or -1 when the tag runs off the end.
qsizetype readTag(const QByteArray &data, qsizetype pos, Tag &tag) {
    const qsizetype n = data.size();
    qsizetype i = pos + 1;
    if (i < n && data[i] == '/') {
        tag.closing = true;
        ++i;
    }
    while (i < n && isSpace(data[i]))
        ++i;
    const qsizetype nameStart = i;
    while (i < n && isNameChar(data[i]))
        ++i;
    if (i == nameStart)
        return 0;
    tag.name = data.mid(nameStart, i - nameStart).toLower();
    for (;;) {
        while (i < n && isSpace(data[i]))
            ++i;
        if (i >= n)
            return -1;
        if (data[i] == '>')
            return i + 1;
        if (data[i] == '<')
            return i; // a tag left open: the next one begins here
        if (data[i] == '/') {
            if (i + 1 < n && data[i + 1] == '>') {
                tag.selfClosing = true;
                return i + 2;
            }
            ++i;
            continue;
        }
        const qsizetype attrStart = i;
        while (i < n && !isSpace(data[i]) && data[i] != '=' && data[i] != '>' && data[i] != '/' &&
               data[i] != '<')
            ++i;
        const QByteArray attr = data.mid(attrStart, i - attrStart).toLower();
        if (attr.isEmpty()) {
            ++i; // a stray '=' or quote
            continue;
        }
        while (i < n && isSpace(data[i]))
            ++i;
        if (i >= n || data[i] != '=') {
            tag.attributes.insert(attr, QByteArray());
            continue;
        }
        ++i;
        while (i < n && isSpace(data[i]))
            ++i;
        if (i >= n)
            return -1;
        QByteArray value;
        if (data[i] == '"' || data[i] == '\'') {
            const qsizetype close = data.indexOf(data[i], i + 1);
            if (close < 0)
                return -1;
            value = data.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const qsizetype valueStart = i;
            while (i < n && !isSpace(data[i]) && data[i] != '>' && data[i] != '<')
                ++i;
            value = data.mid(valueStart, i - valueStart);
            // <ref href=a.mp3/>: the slash closes the tag, it is not part of the name.
            if (i < n && data[i] == '>' && value.endsWith('/')) {
                value.chop(1);
                tag.selfClosing = true;
            }
        }
        tag.attributes.insert(attr, value);
    }
}

// &amp; &lt; &gt; &quot; &apos; and numeric references; numeric ones become UTF-8.
QByteArray decodeEntities(const QByteArray &raw) {
    if (!raw.contains('&'))
        return raw;
    QByteArray out;
    out.reserve(raw.size());
    qsizetype i = 0;
    while (i < raw.size()) {
        // An entity ends within ten bytes of its '&'; looking further would make a long value
        // full of '&' and no ';' take time quadratic in its length.
        const qsizetype found =
            raw[i] == '&'
                ? QByteArrayView(raw).sliced(i, qMin<qsizetype>(11, raw.size() - i)).indexOf(';')
                : -1;
        const qsizetype semicolon = found < 0 ? -1 : i + found;
        if (semicolon < 0) {
            out.append(raw[i++]);
            continue;
        }
        const QByteArray name = raw.mid(i + 1, semicolon - i - 1).toLower();
        QByteArray replacement;
        if (name == "amp")
            replacement = "&";
        else if (name == "lt")
            replacement = "<";
        else if (name == "gt")
            replacement = ">";
        else if (name == "quot")
            replacement = "\"";
        else if (name == "apos")
            replacement = "'";
        else if (name.startsWith('#')) {
            bool ok = false;
            const uint code =
                name.startsWith("#x") ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t point = code;
                replacement = QString::fromUcs4(&point, 1).toUtf8();
            }
        }
        if (replacement.isEmpty()) {
            out.append(raw[i++]);
            continue;
        }
        out.append(replacement);
        i = semicolon + 1;
    }
    return out;
}

bool isValidUtf8(const QByteArray &data) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(data);
    return !decoder.hasError();
}

class Parser {
public:
    Parser(const QByteArray &data, const QString &baseFolder)
        : m_data(data), m_baseFolder(baseFolder), m_utf8(isValidUtf8(data)) {}

    void run(bool &valid, QString &title, QString &author, QList<AsxPlaylist::Entry> &entries) {
        m_valid = &valid;
        m_title = &title;
        m_author = &author;
        m_entries = &entries;
        const qsizetype n = m_data.size();
        qsizetype pos = 0;
        while (pos < n) {
            if (m_data[pos] != '<') {
                if (m_target)
                    m_text.append(m_data[pos]);
                ++pos;
                continue;
            }
            if (m_data.mid(pos, 4) == "<!--") {
                const qsizetype end = m_data.indexOf("-->", pos + 4);
                pos = end < 0 ? n : end + 3;
                continue;
            }
            if (pos + 1 < n && (m_data[pos + 1] == '!' || m_data[pos + 1] == '?')) {
                const qsizetype end = m_data.indexOf('>', pos);
                pos = end < 0 ? n : end + 1;
                continue;
            }
            Tag tag;
            const qsizetype next = readTag(m_data, pos, tag);
            if (next < 0)
                break; // cut off in the middle of a tag: what came before still counts
            if (next == 0) {
                if (m_target)
                    m_text.append('<');
                ++pos;
                continue;
            }
            handle(tag);
            pos = next;
        }
        endText();
        endEntry();
    }

private:
    void handle(const Tag &tag) {
        if (!isAsxElement(tag.name))
            return;
        endText();
        if (tag.closing) {
            if (tag.name == "entry" || tag.name == "asx")
                endEntry();
            return;
        }
        if (tag.name == "asx") {
            *m_valid = true;
        } else if (tag.name == "entry") {
            endEntry();
            m_inEntry = true;
        } else if (tag.name == "ref") {
            const QString ref = resolve(tag.attributes.value("href"));
            if (m_inEntry && !ref.isEmpty())
                m_entry.refs.append(ref);
        } else if ((tag.name == "title" || tag.name == "author") && !tag.selfClosing) {
            const bool isTitle = tag.name == "title";
            if (m_inEntry)
                m_target = isTitle ? &m_entry.title : &m_entry.author;
            else
                m_target = isTitle ? m_title : m_author;
        }
    }

    void endText() {
        if (m_target && m_target->isEmpty()) {
            const QString text = m_utf8 ? QString::fromUtf8(m_text) : QString::fromLatin1(m_text);
            *m_target = decodeTextEntities(text).simplified();
        }
        m_target = nullptr;
        m_text.clear();
    }

    void endEntry() {
        if (m_inEntry && !m_entry.refs.isEmpty())
            m_entries->append(m_entry);
        m_entry = AsxPlaylist::Entry();
        m_inEntry = false;
    }

    static QString decodeTextEntities(const QString &text) {
        if (!text.contains(QLatin1Char('&')))
            return text;
        return QString::fromUtf8(decodeEntities(text.toUtf8()));
    }

    // A reference as a local path; references to other places (http, mms) are dropped.
    QString resolve(const QByteArray &raw) const {
        QByteArray href = decodeEntities(raw).trimmed();
        if (href.isEmpty())
            return {};
        if (href.toLower().startsWith("file:")) {
            href = QByteArray::fromPercentEncoding(href.mid(5));
            if (href.startsWith("//")) {
                const qsizetype slash = href.indexOf('/', 2); // skip the host part
                href = slash < 0 ? QByteArray() : href.mid(slash);
            }
        } else {
            const qsizetype scheme = href.indexOf("://");
            if (scheme > 0 && scheme < 10)
                return {};
        }
        // Playlists written on Windows separate folders with backslashes.
        href.replace('\\', '/');
        if (href.isEmpty())
            return {};
        QString path = FileNames::decode(href);
        if (!path.startsWith(QLatin1Char('/')))
            path = m_baseFolder + QLatin1Char('/') + path;
        return QDir::cleanPath(path);
    }

    const QByteArray &m_data;
    const QString m_baseFolder;
    const bool m_utf8;
    bool *m_valid = nullptr;
    QString *m_title = nullptr;
    QString *m_author = nullptr;
    QList<AsxPlaylist::Entry> *m_entries = nullptr;
    bool m_inEntry = false;
    AsxPlaylist::Entry m_entry;
    QString *m_target = nullptr;
    QByteArray m_text;
};

// UTF-16 playlists (with a byte order mark) are read as their UTF-8 equivalent.
QByteArray normalised(const QByteArray &data) {
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.mid(3);
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);
        return QString(decoder(data)).toUtf8();
    }
    return data;
}

} // namespace

AsxPlaylist AsxPlaylist::load(const QString &path) {
    const QByteArray name = FileNames::encode(path);
    QByteArray data;
    struct stat info {};
    // Only regular files: a FIFO would block, a folder cannot be read.
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kMaxPlaylistBytes)
        return {};
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    data.resize(qsizetype(info.st_size));
    qsizetype filled = 0;
    while (filled < data.size()) {
        const ssize_t got = ::read(fd, data.data() + filled, size_t(data.size() - filled));
        if (got <= 0)
            break;
        filled += got;
    }
    ::close(fd);
    data.truncate(filled);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QDir::currentPath() : path.left(slash);
    return parse(data, folder.isEmpty() ? QStringLiteral("/") : folder);
}

AsxPlaylist AsxPlaylist::parse(const QByteArray &data, const QString &baseFolder) {
    AsxPlaylist playlist;
    const QByteArray text = normalised(data);
    Parser parser(text, baseFolder);
    parser.run(playlist.m_valid, playlist.m_title, playlist.m_author, playlist.m_entries);
    return playlist;
}
