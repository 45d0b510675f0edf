#include "chatroom/mumble/MumbleVoicePacket.h"

#include "chatroom/mumble/MumbleVarint.h"

QByteArray MumbleVoicePacket::build(quint64 sequence, const QByteArray &opus, bool terminator) {
    QByteArray packet;
    packet.reserve(opus.size() + 8);
    packet += char(opusCodec << 5);
    MumbleVarint::append(packet, sequence);
    MumbleVarint::append(packet, quint64(qMin(opus.size(), maxOpusBytes)) |
                                     (terminator ? terminatorBit : 0));
    packet += opus.left(maxOpusBytes);
    return packet;
}

std::optional<MumbleVoicePacket> MumbleVoicePacket::parse(const QByteArray &data,
                                                          bool withSession) {
    if (data.isEmpty())
        return std::nullopt;
    MumbleVoicePacket packet;
    packet.codec = quint8(data.at(0)) >> 5;
    packet.target = quint8(data.at(0)) & 0x1F;
    if (packet.codec != opusCodec)
        return std::nullopt;
    qsizetype at = 1;
    if (withSession) {
        const std::optional<qint64> session = MumbleVarint::read(data, at);
        if (!session || *session < 0)
            return std::nullopt;
        packet.session = quint64(*session);
    }
    const std::optional<qint64> sequence = MumbleVarint::read(data, at);
    const std::optional<qint64> size = sequence ? MumbleVarint::read(data, at) : std::nullopt;
    if (!size || *sequence < 0 || *size < 0)
        return std::nullopt;
    const qsizetype length = qsizetype(*size & maxOpusBytes);
    if (at + length > data.size())
        return std::nullopt;
    packet.sequence = quint64(*sequence);
    packet.terminator = (*size & qint64(terminatorBit)) != 0;
    packet.opus = data.mid(at, length);
    return packet;
}
