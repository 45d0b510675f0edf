#pragma once

#include <QByteArray>
#include <optional>

// Mumble's own variable-length integer, which its voice packets use (not protobuf's varint): the
// leading bits of the first byte say how many bytes follow. 0xxxxxxx is 7 bits; 10xxxxxx and one
// byte, 14 bits; 110xxxxx and two, 21; 1110xxxx and three, 28; 111100__ and four bytes, 32 bits;
// 111101__ and eight, 64 bits; 111110__ and a number, that number negated (bitwise); 111111xx,
// the two bits negated.
class MumbleVarint {
public:
    static void append(QByteArray &out, quint64 value);
    // The number at `at` in `data`, moving `at` past it; nothing when the data ends inside it.
    static std::optional<qint64> read(const QByteArray &data, qsizetype &at);
};
