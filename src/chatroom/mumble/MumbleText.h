#pragma once

#include <QString>
#include <QStringList>
#include <string>

// Text as it travels in Mumble's text messages, which are HTML both ways: what arrives becomes
// one line of plain text for the transcript, and the room's own lines (already HTML) are cut
// into messages that the server accepts.
class MumbleText {
public:
    // One line of plain text: tags dropped, entities decoded, line breaks and control characters
    // as spaces (a line of its own would read as anyone's).
    static QString toPlain(const QString &html);
    // `html` cut into pieces of at most `maxLength` UTF-16 units (what the server counts), never
    // inside a tag, an entity or a character (grapheme cluster), so that the pieces put together
    // give back `html`. A tag or entity longer than a whole piece is a piece of its own.
    // `maxLength` 0 means no limit.
    static QStringList split(const QString &html, qsizetype maxLength);
    // A protobuf string field (UTF-8) as text.
    static QString fromField(const std::string &utf8) {
        return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    }
};
