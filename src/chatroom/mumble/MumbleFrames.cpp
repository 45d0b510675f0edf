#include "chatroom/mumble/MumbleFrames.h"

#include <QtEndian>

QByteArray MumbleFrames::frame(quint16 type, const QByteArray &payload) {
    QByteArray out(headerSize, Qt::Uninitialized);
    qToBigEndian(type, out.data());
    qToBigEndian(quint32(payload.size()), out.data() + 2);
    return out + payload;
}

void MumbleFrames::append(const QByteArray &bytes) {
    if (m_broken)
        return;
    // What was read goes before the buffer grows, so that it never holds more than one message
    // and what has arrived of the next.
    if (m_at > 0) {
        m_buffer.remove(0, m_at);
        m_at = 0;
    }
    m_buffer += bytes;
}

std::optional<MumbleFrames::Frame> MumbleFrames::next() {
    if (m_broken || m_buffer.size() - m_at < headerSize)
        return std::nullopt;
    const char *header = m_buffer.constData() + m_at;
    const quint32 length = qFromBigEndian<quint32>(header + 2);
    if (length > maxPayload) {
        m_broken = true;
        m_buffer.clear();
        m_at = 0;
        return std::nullopt;
    }
    if (m_buffer.size() - m_at - headerSize < qsizetype(length))
        return std::nullopt;
    Frame frame{qFromBigEndian<quint16>(header), m_buffer.mid(m_at + headerSize, length)};
    m_at += headerSize + length;
    return frame;
}

void MumbleFrames::clear() {
    m_buffer.clear();
    m_at = 0;
    m_broken = false;
}
