#include "platform/FileNames.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at p (at most `left` bytes), or 0 if it is not one.
int validSequence(const unsigned char *p, qsizetype left, char32_t &codePoint) {
    const unsigned char lead = p[0];
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not valid UTF-8.
    if (codePoint < minimum || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

QString FileNames::decode(const QByteArray &bytes) {
    return decode(bytes.constData(), bytes.size());
}

QString FileNames::decode(const char *bytes, qsizetype size) {
    QString name;
    name.reserve(size);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    qsizetype i = 0;
    while (i < size) {
        char32_t codePoint = 0;
        const int length = validSequence(p + i, size - i, codePoint);
        if (length == 0) {
            name.append(QChar(char16_t(kEscapeBase + p[i])));
            ++i;
            continue;
        }
        if (codePoint >= 0x10000) {
            const char32_t shifted = codePoint - 0x10000;
            name.append(QChar(char16_t(0xD800 + (shifted >> 10))));
            name.append(QChar(char16_t(0xDC00 + (shifted & 0x3FF))));
        } else {
            name.append(QChar(char16_t(codePoint)));
        }
        i += length;
    }
    return name;
}

QByteArray FileNames::encode(const QString &name) {
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = name.at(i).unicode();
        char32_t codePoint = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < n) {
            const char16_t low = name.at(i + 1).unicode();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                codePoint = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            // A stray byte kept by decode().
            bytes.append(char(unit - kEscapeBase));
            continue;
        }
        if (codePoint < 0x80) {
            bytes.append(char(codePoint));
        } else if (codePoint < 0x800) {
            bytes.append(char(0xC0 | (codePoint >> 6)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            bytes.append(char(0xE0 | (codePoint >> 12)));
            bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        } else {
            bytes.append(char(0xF0 | (codePoint >> 18)));
            bytes.append(char(0x80 | ((codePoint >> 12) & 0x3F)));
            bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        }
    }
    return bytes;
}
