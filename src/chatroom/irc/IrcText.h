#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Text as it travels in IRC messages: what arrives is decoded and cleaned for showing, what
// goes out is turned from the room's HTML into IRC's plain text and cut to fit a line.
namespace irctext {

// UTF-8 where the bytes are valid UTF-8; every byte that is not is read as Windows-1252, which is
// what older clients on the network send. Nothing is dropped.
QString decode(const QByteArray &bytes);

// Without IRC's formatting codes: bold, colour (with its digits), hex colour, italics,
// underline, strike-through, monospace, reverse and reset.
QString stripFormatting(const QString &text);

// The text of a CTCP ACTION ("/me"); a null string when `text` is not one.
QByteArray actionText(const QByteArray &text);
// True for any CTCP request or reply (a message framed by \x01).
bool isCtcp(const QByteArray &text);

// The room's HTML as IRC text, one entry per line it holds (<br> and line feeds break lines):
// tags dropped except bold and underline, which become IRC's own codes, entities decoded, and
// control characters that would end or corrupt an IRC line removed. Empty lines are left out.
QStringList fromHtml(const QString &html);

// `text` cut into pieces of at most maxBytes UTF-8 bytes, only between characters (grapheme
// clusters), so that the pieces put together give back `text`. No piece but the last ends
// with a space. A character (code point) longer than maxBytes is a piece of its own.
QList<QByteArray> split(const QString &text, qsizetype maxBytes);

} // namespace irctext
