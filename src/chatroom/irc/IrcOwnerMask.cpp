#include "chatroom/irc/IrcOwnerMask.h"

#include "chatroom/irc/IrcText.h"

namespace {

// Most servers fold nicks the rfc1459 way: []\~ are the capitals of {}|^.
QChar fold(QChar c) {
    switch (c.unicode()) {
    case u'[':
        return QLatin1Char('{');
    case u']':
        return QLatin1Char('}');
    case u'\\':
        return QLatin1Char('|');
    case u'~':
        return QLatin1Char('^');
    default:
        return c.toLower();
    }
}

} // namespace

IrcOwnerMask::IrcOwnerMask(const QString &mask)
    : m_mask(mask), m_nickPattern(mask.section(QLatin1Char('!'), 0, 0)) {}

bool IrcOwnerMask::isOwner(const QByteArray &source, const QString &account) const {
    if (!claimsOwnersNick(source))
        return false;
    if (!account.isEmpty() && account != QLatin1String("*") && matches(m_nickPattern, account))
        return true;
    return matches(m_mask, irctext::decode(source));
}

bool IrcOwnerMask::isImpostor(const QByteArray &source, const QString &account) const {
    return claimsOwnersNick(source) && !isOwner(source, account);
}

bool IrcOwnerMask::claimsOwnersNick(const QByteArray &source) const {
    return isSet() &&
           matches(m_nickPattern, irctext::decode(source).section(QLatin1Char('!'), 0, 0));
}

bool IrcOwnerMask::matches(const QString &pattern, const QString &text) {
    // Greedy with one point of return: the last '*' seen. Linear in practice, never exponential.
    qsizetype p = 0, t = 0, star = -1, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern.at(p) == QLatin1Char('*')) {
            star = p++;
            resume = t;
        } else if (p < pattern.size() &&
                   (pattern.at(p) == QLatin1Char('?') || fold(pattern.at(p)) == fold(text.at(t)))) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}
