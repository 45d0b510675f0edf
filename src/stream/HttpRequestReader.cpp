#include "stream/HttpRequestReader.h"

namespace {

// RFC 9110 token characters.
bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool isToken(const QByteArray &text) {
    if (text.isEmpty())
        return false;
    for (char c : text) {
        if (!isTokenChar(c))
            return false;
    }
    return true;
}

bool hasControl(const QByteArray &text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7f)
            return true;
    }
    return false;
}

} // namespace

HttpRequestReader::State HttpRequestReader::feed(QByteArrayView bytes) {
    if (m_state != State::Reading)
        return m_state;
    // Only as much as can still belong to a head is kept, so a flood costs nothing.
    const qsizetype room = kMaxHead - m_buffer.size() - m_skipped;
    m_buffer.append(bytes.first(std::min(room, bytes.size())));
    m_state = parse();
    if (m_state == State::Reading && m_buffer.size() + m_skipped >= kMaxHead)
        m_state = State::TooLarge;
    if (m_state != State::Reading)
        m_buffer.clear();
    return m_state;
}

HttpRequestReader::State HttpRequestReader::parse() {
    // Empty lines before the request line are allowed and skipped.
    while (m_buffer.startsWith('\n') || m_buffer.startsWith("\r\n")) {
        const qsizetype length = m_buffer.startsWith('\n') ? 1 : 2;
        m_buffer.remove(0, length);
        m_skipped += length;
    }
    // Lines end at CR LF or, as many clients are lenient, at a bare LF; the head ends at the
    // first empty line.
    qsizetype end = -1;
    for (qsizetype i = m_buffer.indexOf('\n'); i >= 0; i = m_buffer.indexOf('\n', i + 1)) {
        const qsizetype next = i + 1;
        if ((next < m_buffer.size() && m_buffer.at(next) == '\n') ||
            (next + 1 < m_buffer.size() && m_buffer.at(next) == '\r' &&
             m_buffer.at(next + 1) == '\n')) {
            end = i;
            break;
        }
    }
    if (end < 0)
        return State::Reading;

    QList<QByteArray> lines = m_buffer.left(end).split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!parseRequestLine(lines.constFirst()))
        return State::Malformed;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!parseField(lines.at(i)))
            return State::Malformed;
    }
    return State::Complete;
}

bool HttpRequestReader::parseRequestLine(const QByteArray &line) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || !isToken(parts.at(0)) || parts.at(1).isEmpty() ||
        hasControl(parts.at(1)))
        return false;
    const QByteArray &version = parts.at(2);
    if (version.size() != 8 || !version.startsWith("HTTP/1.") || version.at(7) < '0' ||
        version.at(7) > '9')
        return false;
    QByteArray target = parts.at(1);
    if (target.startsWith("http://") || target.startsWith("https://")) {
        const qsizetype hostStart = target.indexOf("//") + 2;
        const qsizetype slash = target.indexOf('/', hostStart);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    if (!target.startsWith('/'))
        return false;
    const qsizetype query = target.indexOf('?');
    if (query >= 0)
        target.truncate(query);
    m_method = parts.at(0);
    m_path = target;
    m_version = version;
    return true;
}

bool HttpRequestReader::parseField(const QByteArray &line) {
    const qsizetype colon = line.indexOf(':');
    // No folded lines (obsolete), no white space before the colon.
    if (colon <= 0)
        return false;
    const QByteArray name = line.left(colon);
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (!isToken(name) || hasControl(value))
        return false;
    m_headers.append({name, value});
    return true;
}

QByteArray HttpRequestReader::header(QByteArrayView name) const {
    for (const auto &field : m_headers) {
        if (field.first.compare(name, Qt::CaseInsensitive) == 0)
            return field.second.isNull() ? QByteArray("") : field.second;
    }
    return QByteArray();
}
