#include "chatroom/mumble/MumbleVarint.h"

void MumbleVarint::append(QByteArray &out, quint64 value) {
    const auto byte = [&out](quint64 b) {
        out += char(b & 0xFF);
    };
    if (value < 0x80) {
        byte(value);
    } else if (value < 0x4000) {
        byte((value >> 8) | 0x80);
        byte(value);
    } else if (value < 0x200000) {
        byte((value >> 16) | 0xC0);
        byte(value >> 8);
        byte(value);
    } else if (value < 0x10000000) {
        byte((value >> 24) | 0xE0);
        byte(value >> 16);
        byte(value >> 8);
        byte(value);
    } else if (value < 0x100000000ULL) {
        byte(0xF0);
        for (int shift = 24; shift >= 0; shift -= 8)
            byte(value >> shift);
    } else {
        byte(0xF4);
        for (int shift = 56; shift >= 0; shift -= 8)
            byte(value >> shift);
    }
}

std::optional<qint64> MumbleVarint::read(const QByteArray &data, qsizetype &at) {
    // Whole bytes after the first, big-endian.
    const auto bytes = [&](int count, quint64 start) -> std::optional<quint64> {
        if (at + count > data.size())
            return std::nullopt;
        quint64 value = start;
        for (int i = 0; i < count; ++i)
            value = (value << 8) | quint8(data.at(at++));
        return value;
    };
    // A negation may prefix a negation, without end in a hostile packet: counted, not recursed.
    bool negate = false;
    while (at < data.size() && (quint8(data.at(at)) & 0xFC) == 0xF8) {
        negate = !negate;
        ++at;
    }
    if (at >= data.size())
        return std::nullopt;
    const quint8 first = quint8(data.at(at++));
    std::optional<quint64> value;
    if ((first & 0x80) == 0x00)
        value = first & 0x7F;
    else if ((first & 0xC0) == 0x80)
        value = bytes(1, first & 0x3F);
    else if ((first & 0xE0) == 0xC0)
        value = bytes(2, first & 0x1F);
    else if ((first & 0xF0) == 0xE0)
        value = bytes(3, first & 0x0F);
    else if ((first & 0xFC) == 0xF0)
        value = bytes(4, 0);
    else if ((first & 0xFC) == 0xF4)
        value = bytes(8, 0);
    else
        value = ~quint64(first & 0x03);
    if (!value)
        return std::nullopt;
    return negate ? ~qint64(*value) : qint64(*value);
}
