#pragma once

#include <QByteArray>
#include <optional>

// Mumble's control connection cut into messages: each is a 2-byte big-endian type, a 4-byte
// big-endian length and that many bytes of payload. Bytes go in as the socket delivers them;
// whole messages come out. A length past what any server sends (8 MiB) means the stream is not
// Mumble's, and nothing more comes out of it.
class MumbleFrames {
public:
    static constexpr quint32 maxPayload = 8 * 1024 * 1024 - 1;
    static constexpr qsizetype headerSize = 6;

    struct Frame {
        quint16 type = 0;
        QByteArray payload;
    };

    // One message as it goes on the wire.
    static QByteArray frame(quint16 type, const QByteArray &payload);

    void append(const QByteArray &bytes);
    // The next whole message, if one has arrived.
    std::optional<Frame> next();
    bool broken() const { return m_broken; }
    void clear();

private:
    QByteArray m_buffer;
    qsizetype m_at = 0; // where the next message starts in m_buffer
    bool m_broken = false;
};
