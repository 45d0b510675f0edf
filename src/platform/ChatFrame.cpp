#include "platform/ChatFrame.h"

#include <QStringDecoder>
#include <utility>

namespace {

bool isVerbByte(char c) {
    return c > ' ' && c <= '~';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// 16 MiB has eight decimal digits; without leading zeros, nine digits are always over it.
constexpr qsizetype maxLengthDigits = 8;

} // namespace

ChatFrame::ChatFrame(QByteArray verb, QByteArray payload)
    : m_verb(std::move(verb)), m_payload(std::move(payload)) {}

QByteArray ChatFrame::encode() const {
    return encode(m_verb, m_payload);
}

QByteArray ChatFrame::encode(const QByteArray &verb, const QByteArray &payload) {
    QByteArray bytes;
    bytes.reserve(verb.size() + 12 + payload.size());
    bytes += verb;
    bytes += ' ';
    bytes += QByteArray::number(payload.size());
    bytes += '\n';
    bytes += payload;
    return bytes;
}

ChatFrame::Status ChatFrame::take(QByteArray &buffer, ChatFrame *frame) {
    const qsizetype scanned = qMin(buffer.size(), maxHeaderSize);
    qsizetype verbEnd = -1;
    qsizetype lineEnd = -1;
    qint64 length = 0;

    // Walks the header as far as it has arrived, checking each byte against
    // VERB SP DIGITS LF, so that a broken header is refused at once.
    for (qsizetype i = 0; i < scanned; ++i) {
        const char c = buffer.at(i);
        if (verbEnd < 0) {
            if (c == ' ') {
                if (i == 0)
                    return Status::Malformed;
                verbEnd = i;
            } else if (!isVerbByte(c)) {
                return Status::Malformed;
            }
            continue;
        }
        const qsizetype digits = i - verbEnd - 1;
        if (c == '\n') {
            if (digits == 0)
                return Status::Malformed;
            lineEnd = i;
            break;
        }
        if (!isDigit(c))
            return Status::Malformed;
        if (digits == 1 && buffer.at(verbEnd + 1) == '0')
            return Status::Malformed;
        if (digits + 1 > maxLengthDigits)
            return Status::TooLarge;
        length = length * 10 + (c - '0');
        if (length > maxPayloadSize)
            return Status::TooLarge;
    }

    if (lineEnd < 0)
        return scanned >= maxHeaderSize ? Status::Malformed : Status::Incomplete;

    const qsizetype frameSize = lineEnd + 1 + length;
    if (buffer.size() < frameSize)
        return Status::Incomplete;

    if (frame) {
        frame->m_verb = buffer.left(verbEnd);
        frame->m_payload = buffer.mid(lineEnd + 1, length);
    }
    buffer.remove(0, frameSize);
    return Status::Complete;
}

QString ChatFrame::decodeText(const QByteArray &utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}
