#pragma once

#include <QByteArray>
#include <QString>

// One message of the chat-room link, in either direction: a header line "VERB LENGTH\n" of
// ASCII, then exactly LENGTH bytes of payload. The player's client and our own chat room both
// read and write frames only through this class, so the two sides cannot drift apart.
class ChatFrame {
public:
    // The header counts its line feed.
    static constexpr qsizetype maxHeaderSize = 64;
    static constexpr qsizetype maxPayloadSize = 16 * 1024 * 1024;

    enum class Status {
        Incomplete, // more bytes are needed; nothing was taken
        Complete,   // one frame was taken off the front of the buffer
        Malformed,  // the header breaks the grammar or is too long
        TooLarge,   // the header announces a payload over the limit
    };

    ChatFrame() = default;
    ChatFrame(QByteArray verb, QByteArray payload);

    const QByteArray &verb() const { return m_verb; }
    const QByteArray &payload() const { return m_payload; }

    // The frame's bytes as they go on the wire.
    QByteArray encode() const;
    static QByteArray encode(const QByteArray &verb, const QByteArray &payload);

    // Takes the first frame off the front of buffer when it is all there. Bytes arrive in
    // arbitrary pieces, so the caller appends what it reads and calls again; a header that is
    // already broken is reported as soon as the offending byte is seen, without waiting for
    // its line feed, and an oversize payload as soon as its header is complete.
    static Status take(QByteArray &buffer, ChatFrame *frame);

    // Payload text is UTF-8. Unlike QString::fromUtf8 this keeps a leading byte order mark, so
    // that text read over the link is exactly what was sent.
    static QString decodeText(const QByteArray &utf8);

    bool operator==(const ChatFrame &other) const = default;

private:
    QByteArray m_verb;
    QByteArray m_payload;
};
