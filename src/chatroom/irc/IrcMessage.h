#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

// One line of the IRC protocol, taken apart: IRCv3 tags, the source ("prefix"), the command and
// its parameters, the trailing one included as the last. Parameters stay bytes: servers relay
// whatever encoding the sender used, and the text is decoded only where it is shown.
struct IrcMessage {
    QMap<QString, QString> tags;
    QByteArray source;
    QByteArray command; // upper case; numerics stay three digits
    QList<QByteArray> params;

    // Parses one line without its line end. Nothing for an empty line or one without a command.
    // Never reads past the line; linear in its length.
    static std::optional<IrcMessage> parse(const QByteArray &line);

    // The parts of a source "nick!user@host"; a server name is all nick.
    QByteArray nick() const;
    QByteArray param(qsizetype index) const { return params.value(index); }

    // Builds one line (without CR LF) whose last parameter is always sent as trailing. CR, LF
    // and NUL, which no IRC line may hold, are left out.
    static QByteArray build(const QByteArray &command, const QList<QByteArray> &params);
};
