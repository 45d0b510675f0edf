#include "library/Fold.h"

#include <algorithm>

namespace {

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

QString fold(const QString &text) {
    QString folded = text.toLower();
    folded.remove(QLatin1Char(' '));
    return folded;
}

void foldInto(QStringView text, QString &out) {
    if (!isAscii(text)) {
        // Lower-casing beyond ASCII may change lengths and look at neighbours: the real thing.
        out = fold(text.toString());
        return;
    }
    out.resize(text.size());
    QChar *to = out.data();
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u' ')
            continue;
        *to++ = QChar(unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit);
    }
    out.truncate(to - out.constData());
}

bool caseFoldedLess(QStringView a, QStringView b) {
    // Outside the surrogates, folding maps each UTF-16 unit to one unit (QChar::toCaseFolded),
    // so the folded texts compare unit by unit in step with the originals. A surrogate sends
    // the comparison to the folded copies themselves, which is rare (names beyond the BMP, or
    // not UTF-8) and keeps QString's own handling of lone surrogates in the order.
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype at = 0; at < common; ++at) {
        const char16_t x = a[at].unicode();
        const char16_t y = b[at].unicode();
        if (QChar::isSurrogate(x) || QChar::isSurrogate(y))
            return a.toString().toCaseFolded() < b.toString().toCaseFolded();
        if (x == y)
            continue;
        const auto p = char16_t(QChar::toCaseFolded(char32_t(x)));
        const auto q = char16_t(QChar::toCaseFolded(char32_t(y)));
        if (p != q)
            return p < q;
    }
    return a.size() < b.size();
}
