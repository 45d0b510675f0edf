// The IRC line parser and the text routines on lines any server or user can send. The input is
// lines split by LF; the first byte also sets the piece size for the line splitter.
#include "FuzzInput.h"

#include "chatroom/irc/IrcMessage.h"
#include "chatroom/irc/IrcText.h"

namespace {

bool isFormattingCode(QChar c) {
    switch (c.unicode()) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x0F:
    case 0x11:
    case 0x16:
    case 0x1D:
    case 0x1E:
    case 0x1F:
        return true;
    default:
        return false;
    }
}

void checkMessage(const QByteArray &line) {
    const std::optional<IrcMessage> message = IrcMessage::parse(line);
    if (!message)
        return;
    FUZZ_CHECK(!message->command.isEmpty());
    FUZZ_CHECK(!message->command.contains(' '));
    FUZZ_CHECK(message->command == message->command.toUpper());
    FUZZ_CHECK(message->command.size() <= line.size());
    for (qsizetype i = 0; i + 1 < message->params.size(); ++i) {
        const QByteArray &param = message->params.at(i);
        FUZZ_CHECK(!param.isEmpty() && !param.contains(' ') && !param.startsWith(':'));
    }
    const QByteArray nick = message->nick();
    FUZZ_CHECK(message->source.startsWith(nick) && !nick.contains('!'));

    // A message built from the parts reads back as the same parts. A command that begins with
    // ':' or '@' would read as a source or tags, and servers send none.
    if (message->command.startsWith(':') || message->command.startsWith('@'))
        return;
    // CR and NUL are never sent, so parts holding them cannot come back.
    if (line.contains('\r') || line.contains('\0'))
        return;
    const QByteArray built = IrcMessage::build(message->command, message->params);
    const std::optional<IrcMessage> back = IrcMessage::parse(built);
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(back->command == message->command);
    FUZZ_CHECK(back->params == message->params);
    FUZZ_CHECK(back->source.isEmpty() && back->tags.isEmpty());
}

void checkText(const QByteArray &line, qsizetype maxBytes) {
    const QString decoded = irctext::decode(line);
    FUZZ_CHECK(decoded.size() <= line.size());
    // Nothing is dropped: valid UTF-8 reads as UTF-8, anything else byte for byte.
    if (QString::fromUtf8(line).toUtf8() == line)
        FUZZ_CHECK(decoded == QString::fromUtf8(line));
    else
        FUZZ_CHECK(!decoded.isEmpty());

    const QString plain = irctext::stripFormatting(decoded);
    for (const QChar c : plain)
        FUZZ_CHECK(!isFormattingCode(c));
    FUZZ_CHECK(irctext::stripFormatting(plain) == plain);

    const QByteArray action = irctext::actionText(line);
    if (!action.isNull())
        FUZZ_CHECK(irctext::isCtcp(line) && action.size() < line.size());

    // What goes out: no line break, NUL or empty line survives into an IRC line.
    for (const QString &out : irctext::fromHtml(decoded)) {
        FUZZ_CHECK(!out.contains(QLatin1Char('\r')) && !out.contains(QLatin1Char('\n')) &&
                   !out.contains(QChar(0)));
        FUZZ_CHECK(!irctext::stripFormatting(out).trimmed().isEmpty());
    }

    // The pieces fit and, put together, give the text back.
    const QList<QByteArray> pieces = irctext::split(decoded, maxBytes);
    QByteArray joined;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        FUZZ_CHECK(!pieces.at(i).isEmpty());
        FUZZ_CHECK(pieces.at(i).size() <= maxBytes ||
                   QString::fromUtf8(pieces.at(i)).toUcs4().size() == 1);
        joined += pieces.at(i);
    }
    FUZZ_CHECK(joined == decoded.toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    // Budgets from none at all to a whole line.
    const qsizetype maxBytes = static_cast<int8_t>(data[0]) * 4;
    for (QByteArray line : fuzz::bytes(data + 1, size - 1).split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        checkMessage(line);
        checkText(line, maxBytes);
    }
    return 0;
}
