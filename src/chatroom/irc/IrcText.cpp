#include "chatroom/irc/IrcText.h"

#include <QTextBoundaryFinder>

namespace irctext {

namespace {

// Windows-1252's 0x80..0x9F; the five bytes it leaves undefined keep their C1 code point, as
// Windows itself decodes them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t cp1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
}

// The length of the valid UTF-8 sequence at `at`, 0 when there is none (overlong forms,
// surrogates and code points past U+10FFFF are not valid).
int utf8Length(const QByteArray &bytes, qsizetype at, char32_t *codePoint) {
    const auto lead = static_cast<unsigned char>(bytes.at(at));
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes.at(at + i));
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isHexDigit(QChar c) {
    return isDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Characters counted from `at` while `accept` holds, at most `limit`.
template <typename Accept>
qsizetype run(const QString &text, qsizetype at, qsizetype limit, Accept accept) {
    qsizetype n = 0;
    while (n < limit && at + n < text.size() && accept(text.at(at + n)))
        ++n;
    return n;
}

// The length of a colour code's arguments at `at`: "fg" or "fg,bg", each of up to `width`
// digits of the given kind. A comma not followed by a digit is ordinary text.
template <typename Accept>
qsizetype colourArguments(const QString &text, qsizetype at, qsizetype width, Accept accept) {
    const qsizetype fg = run(text, at, width, accept);
    if (fg == 0)
        return 0;
    qsizetype end = at + fg;
    if (end < text.size() && text.at(end) == QLatin1Char(',')) {
        const qsizetype bg = run(text, end + 1, width, accept);
        if (bg > 0)
            end += 1 + bg;
    }
    return end - at;
}

QString decodeEntity(const QString &name) {
    if (name == QLatin1String("amp"))
        return QStringLiteral("&");
    if (name == QLatin1String("lt"))
        return QStringLiteral("<");
    if (name == QLatin1String("gt"))
        return QStringLiteral(">");
    if (name == QLatin1String("quot"))
        return QStringLiteral("\"");
    if (name == QLatin1String("apos"))
        return QStringLiteral("'");
    if (name == QLatin1String("nbsp"))
        return QStringLiteral(" ");
    if (name.startsWith(QLatin1Char('#')) && name.size() > 1) {
        bool ok = false;
        const uint value = name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X')
                               ? name.mid(2).toUInt(&ok, 16)
                               : name.mid(1).toUInt(&ok, 10);
        if (ok && value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
            return QString::fromUcs4(reinterpret_cast<const char32_t *>(&value), 1);
    }
    return QString();
}

} // namespace

QString decode(const QByteArray &bytes) {
    QString out;
    out.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = utf8Length(bytes, at, &codePoint);
        if (length == 0) {
            out += QChar(cp1252(static_cast<unsigned char>(bytes.at(at))));
            ++at;
            continue;
        }
        out += QString::fromUcs4(&codePoint, 1);
        at += length;
    }
    return out;
}

QString stripFormatting(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        switch (c) {
        case 0x02: // bold
        case 0x0F: // reset
        case 0x11: // monospace
        case 0x16: // reverse
        case 0x1D: // italics
        case 0x1E: // strike-through
        case 0x1F: // underline
            break;
        case 0x03:
            i += colourArguments(text, i + 1, 2, isDigit);
            break;
        case 0x04: {
            // Hex colour: exactly six hex digits per colour.
            const qsizetype fg = run(text, i + 1, 6, isHexDigit);
            if (fg == 6) {
                i += 6;
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char(',') &&
                    run(text, i + 2, 6, isHexDigit) == 6)
                    i += 7;
            }
            break;
        }
        default:
            out += QChar(c);
        }
    }
    return out;
}

QByteArray actionText(const QByteArray &text) {
    static const QByteArray prefix = QByteArrayLiteral("\x01"
                                                       "ACTION");
    if (!text.startsWith(prefix))
        return QByteArray();
    QByteArray rest = text.mid(prefix.size());
    if (!rest.isEmpty() && rest.front() != ' ' && rest.front() != '\x01')
        return QByteArray(); // some other CTCP whose name begins with ACTION
    if (rest.endsWith('\x01'))
        rest.chop(1); // some clients leave the closing \x01 out
    if (rest.startsWith(' '))
        rest.remove(0, 1);
    return rest.isNull() ? QByteArray("") : rest;
}

bool isCtcp(const QByteArray &text) {
    return text.startsWith('\x01');
}

QStringList fromHtml(const QString &html) {
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html.at(i);
        if (c == QLatin1Char('<')) {
            const qsizetype close = html.indexOf(QLatin1Char('>'), i);
            if (close < 0)
                break; // an unfinished tag at the end shows nothing, as in the room's view
            const QString tag = html.mid(i + 1, close - i - 1).trimmed().toLower();
            const QString name = tag.section(QLatin1Char(' '), 0, 0).remove(QLatin1Char('/'));
            if (name == QLatin1String("b") || name == QLatin1String("strong"))
                line += QChar(0x02);
            else if (name == QLatin1String("u"))
                line += QChar(0x1F);
            else if (name == QLatin1String("br") || name == QLatin1String("p")) {
                lines += line;
                line.clear();
            }
            i = close;
        } else if (c == QLatin1Char('&')) {
            const qsizetype semicolon = html.indexOf(QLatin1Char(';'), i);
            const QString decoded = semicolon > i && semicolon - i <= 10
                                        ? decodeEntity(html.mid(i + 1, semicolon - i - 1))
                                        : QString();
            if (decoded.isEmpty()) {
                line += c;
            } else {
                // "&#10;" is a line feed written another way, and "&#13;" a CR: they follow
                // the rules of the characters they stand for, or they would end the IRC line.
                if (decoded == QLatin1String("\n")) {
                    lines += line;
                    line.clear();
                } else if (decoded != QLatin1String("\r")) {
                    line += decoded;
                }
                i = semicolon;
            }
        } else if (c == QLatin1Char('\n')) {
            lines += line;
            line.clear();
        } else if (c != QLatin1Char('\r') && c != QChar(0)) {
            line += c;
        }
    }
    lines += line;
    lines.removeIf([](const QString &l) { return stripFormatting(l).trimmed().isEmpty(); });
    return lines;
}

QList<QByteArray> split(const QString &text, qsizetype maxBytes) {
    // The budget shrinks as the nick grows, and the server chooses the nick: even a budget with
    // no room for a single character must cut the text, one character a piece.
    maxBytes = qMax<qsizetype>(maxBytes, 1);
    QList<QByteArray> pieces;
    QByteArray piece;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype to = graphemes.toNextBoundary();
        // Qt's grapheme finder now and then reports a boundary inside a surrogate pair (seen
        // after ':' followed by some letters); the two halves would go out as two '?'.
        while (to > 0 && to < text.size() && text.at(to).isLowSurrogate() &&
               text.at(to - 1).isHighSurrogate())
            to = graphemes.toNextBoundary();
        if (to < 0)
            to = text.size();
        QByteArray cluster = text.mid(from, to - from).toUtf8();
        from = to;
        // A cluster longer than a whole piece (absurd, but possible) goes by code points.
        while (cluster.size() > maxBytes) {
            qsizetype cut = maxBytes;
            while (cut > 0 && (static_cast<unsigned char>(cluster.at(cut)) & 0xC0) == 0x80)
                --cut;
            if (cut == 0) {
                // Not even the first character fits: it goes alone.
                cut = 1;
                while (cut < cluster.size() &&
                       (static_cast<unsigned char>(cluster.at(cut)) & 0xC0) == 0x80)
                    ++cut;
            }
            if (!piece.isEmpty())
                pieces += std::exchange(piece, QByteArray());
            pieces += cluster.left(cut);
            cluster.remove(0, cut);
        }
        if (piece.size() + cluster.size() > maxBytes) {
            // Servers drop the spaces at the end of a line, which would glue two words together
            // when the pieces are read one after the other: they start the next piece instead.
            qsizetype keep = piece.size();
            while (keep > 0 && piece.at(keep - 1) == ' ')
                --keep;
            QByteArray carry;
            if (keep > 0 && piece.size() - keep + cluster.size() <= maxBytes) {
                carry = piece.mid(keep);
                piece.truncate(keep);
            }
            pieces += std::exchange(piece, carry);
        }
        piece += cluster;
    }
    if (!piece.isEmpty())
        pieces += piece;
    return pieces;
}

} // namespace irctext
