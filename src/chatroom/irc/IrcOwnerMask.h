#pragma once

#include <QByteArray>
#include <QString>

// Tells the owner of a nick from someone else who took it: on IRC any nick is free for the
// taking while its owner is away. The mask is "nick!user@host" with the glob characters * and ?;
// a sender whose nick matches the nick part is the owner only when the whole source matches
// too, or when the server vouches for the account (IRCv3 account-tag) under the owner's nick.
class IrcOwnerMask {
public:
    IrcOwnerMask() = default;
    explicit IrcOwnerMask(const QString &mask);

    bool isSet() const { return !m_mask.isEmpty(); }
    // True for a message of the owner.
    bool isOwner(const QByteArray &source, const QString &account) const;
    // True for a message that claims the owner's nick without being the owner.
    bool isImpostor(const QByteArray &source, const QString &account) const;

    // Glob match, case-insensitive under IRC's rfc1459 case mapping.
    static bool matches(const QString &pattern, const QString &text);

private:
    bool claimsOwnersNick(const QByteArray &source) const;

    QString m_mask;
    QString m_nickPattern;
};
