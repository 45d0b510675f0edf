#pragma once

#include <QByteArray>

// The frame grammar of the chat-room link written out a second time, independently of
// ChatFrame, so that the fuzzers can tell what either end must make of any bytes:
// "VERB LENGTH\n" (VERB printable ASCII without spaces, LENGTH decimal without sign or leading
// zeros, at most 16 MiB, the header at most 64 bytes with its line feed), then LENGTH bytes.
namespace fuzz {

struct ModelFrame {
    enum Kind { Whole, Partial, Broken } kind = Partial;
    QByteArray verb;
    QByteArray payload;
    qsizetype size = 0; // bytes taken, for a whole frame
};

inline ModelFrame modelFrame(const QByteArray &bytes, qsizetype from) {
    constexpr qsizetype maxHeader = 64;
    constexpr qint64 maxPayload = 16 * 1024 * 1024;
    ModelFrame frame;
    qsizetype space = -1;
    qint64 length = 0;
    for (qsizetype i = from; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        // The 64th byte of a header is its line feed at the latest.
        if (i - from == maxHeader - 1 && c != '\n') {
            frame.kind = ModelFrame::Broken;
            return frame;
        }
        if (space < 0) {
            if (c == ' ' && i > from)
                space = i;
            else if (c <= ' ' || c > '~')
                frame.kind = ModelFrame::Broken;
        } else if (c == '\n') {
            const qsizetype digits = i - space - 1;
            if (digits == 0 || (digits > 1 && bytes.at(space + 1) == '0')) {
                frame.kind = ModelFrame::Broken;
            } else if (bytes.size() - (i + 1) >= length) {
                frame.kind = ModelFrame::Whole;
                frame.verb = bytes.mid(from, space - from);
                frame.payload = bytes.mid(i + 1, length);
                frame.size = i + 1 + length - from;
            }
            return frame;
        } else if (c < '0' || c > '9' || (i - space - 1 == 1 && bytes.at(space + 1) == '0')) {
            frame.kind = ModelFrame::Broken;
        } else {
            length = length * 10 + (c - '0');
            if (length > maxPayload)
                frame.kind = ModelFrame::Broken;
        }
        if (frame.kind == ModelFrame::Broken)
            return frame;
    }
    return frame;
}

} // namespace fuzz
