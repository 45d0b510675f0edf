#include "chatroom/irc/IrcMessage.h"

namespace {

// Tag values escape the characters that would end a tag or the line (IRCv3 message-tags).
QString unescapeTagValue(const QByteArray &raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw.at(i);
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= raw.size())
            break; // a lone backslash at the end is dropped
        switch (raw.at(i)) {
        case ':':
            out += ';';
            break;
        case 's':
            out += ' ';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        default:
            out += raw.at(i);
        }
    }
    return QString::fromUtf8(out);
}

// Servers and bouncers differ in how many spaces they put between parts; any run counts as one.
qsizetype skipSpaces(const QByteArray &line, qsizetype at) {
    while (at < line.size() && line.at(at) == ' ')
        ++at;
    return at;
}

qsizetype wordEnd(const QByteArray &line, qsizetype at) {
    const qsizetype space = line.indexOf(' ', at);
    return space < 0 ? line.size() : space;
}

} // namespace

std::optional<IrcMessage> IrcMessage::parse(const QByteArray &line) {
    IrcMessage message;
    qsizetype at = skipSpaces(line, 0);
    if (at < line.size() && line.at(at) == '@') {
        const qsizetype end = wordEnd(line, at);
        const QByteArray tags = line.mid(at + 1, end - at - 1);
        for (const QByteArray &tag : tags.split(';')) {
            if (tag.isEmpty())
                continue;
            const qsizetype equals = tag.indexOf('=');
            const QByteArray key = equals < 0 ? tag : tag.left(equals);
            message.tags.insert(QString::fromUtf8(key),
                                equals < 0 ? QString() : unescapeTagValue(tag.mid(equals + 1)));
        }
        at = skipSpaces(line, end);
    }
    if (at < line.size() && line.at(at) == ':') {
        const qsizetype end = wordEnd(line, at);
        message.source = line.mid(at + 1, end - at - 1);
        at = skipSpaces(line, end);
    }
    if (at >= line.size())
        return std::nullopt;
    const qsizetype commandEnd = wordEnd(line, at);
    message.command = line.mid(at, commandEnd - at).toUpper();
    at = skipSpaces(line, commandEnd);
    while (at < line.size()) {
        if (line.at(at) == ':') {
            message.params.append(line.mid(at + 1));
            break;
        }
        const qsizetype end = wordEnd(line, at);
        message.params.append(line.mid(at, end - at));
        at = skipSpaces(line, end);
    }
    return message;
}

QByteArray IrcMessage::nick() const {
    const qsizetype bang = source.indexOf('!');
    const qsizetype at = source.indexOf('@');
    qsizetype end = source.size();
    if (bang >= 0)
        end = bang;
    else if (at >= 0)
        end = at;
    return source.left(end);
}

QByteArray IrcMessage::build(const QByteArray &command, const QList<QByteArray> &params) {
    QByteArray line = command;
    for (qsizetype i = 0; i < params.size(); ++i) {
        line += ' ';
        if (i == params.size() - 1)
            line += ':';
        line += params.at(i);
    }
    // Parameters can come from the server (a PING's token is sent back as it came): a CR or LF
    // in one would end our line early and send the rest as a command of its own.
    line.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    return line;
}
