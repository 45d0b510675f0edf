#pragma once

#include <QByteArray>
#include <optional>

// One voice packet in the format 1.3 servers and clients use (in a UDPTunnel message here): a
// header byte with the codec in its top 3 bits and the target in the low 5, the sender's session
// (only from the server), a sequence number that counts 10 ms, and for Opus one frame: its length
// with the terminator bit (the last packet of a talk), then its bytes. The numbers are
// MumbleVarint's.
struct MumbleVoicePacket {
    static constexpr int opusCodec = 4;
    static constexpr int pingCodec = 1;
    static constexpr quint64 terminatorBit = 0x2000;
    static constexpr qsizetype maxOpusBytes = 0x1FFF;

    int codec = opusCodec;
    int target = 0;
    quint64 session = 0;
    quint64 sequence = 0;
    QByteArray opus;
    bool terminator = false;

    // A packet as a client sends it: normal talking, no session.
    static QByteArray build(quint64 sequence, const QByteArray &opus, bool terminator);
    // A packet as the server forwards it (`withSession`) or as a client sent it; nothing when it
    // is no Opus packet or ends too soon. What follows the frame (a position) is ignored.
    static std::optional<MumbleVoicePacket> parse(const QByteArray &data, bool withSession);
};
