#include "chat/AimChat.h"

#include "platform/ChatWindow.h"

namespace aimchat {

namespace {

// "<BR>" compared without regard to case. The marker is plain ASCII, so only ASCII letters
// need folding; a full Unicode fold would cost a conversion per character for nothing.
bool isLineMarkAt(const QString &text, qsizetype at) {
    static constexpr char16_t kMark[] = u"<br>";
    for (qsizetype i = 0; i < 4; ++i) {
        char16_t c = text.at(at + i).unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != kMark[i])
            return false;
    }
    return true;
}

// 0-based position of the last "<BR>" in `text`, -1 when there is none.
qsizetype lastLineMark(const QString &text) {
    for (qsizetype at = text.size() - 4; at >= 0; --at) {
        if (isLineMarkAt(text, at))
            return at;
    }
    return -1;
}

// The character a reference's name stands for, or 0 when it names none we decode.
char32_t referencedCharacter(QStringView name) {
    if (name == u"amp")
        return U'&';
    if (name == u"lt")
        return U'<';
    if (name == u"gt")
        return U'>';
    if (name == u"quot")
        return U'"';
    if (name == u"apos")
        return U'\'';
    if (name.size() < 2 || name.at(0) != u'#')
        return 0;
    const bool hex = name.at(1) == u'x' || name.at(1) == u'X';
    bool ok = false;
    const uint code = hex ? name.sliced(2).toUInt(&ok, 16) : name.sliced(1).toUInt(&ok, 10);
    // NUL, surrogates and values past Unicode are no characters.
    if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return code;
}

} // namespace

QString DecodeEntities(const QString &text) {
    if (!text.contains(QLatin1Char('&')))
        return text;
    // The longest reference decoded, "&#x10FFFF;" or "&#1114111;", is ten characters: looking no
    // further keeps a line full of "&" and no ";" linear.
    constexpr qsizetype kLongest = 10;
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            const QStringView ahead = QStringView(text).sliced(i + 1).left(kLongest);
            const qsizetype semicolon = ahead.indexOf(QLatin1Char(';'));
            const char32_t c = semicolon > 0 ? referencedCharacter(ahead.left(semicolon)) : 0;
            if (c != 0) {
                plain += QString::fromUcs4(&c, 1);
                i += semicolon + 1;
                continue;
            }
        }
        plain += text.at(i);
    }
    return plain;
}

QString clearedNotice() {
    return QStringLiteral("<font color=blue><b>OnlineHost</b>:<font color=black> Chat Cleared!");
}

QString GetChatText(ChatWindow &window) {
    return window.transcript();
}

QString GetChatTail(ChatWindow &window) {
    return GetChatText(window).right(kTailLength);
}

QString GetLastLine(const QString &text) {
    const qsizetype at = lastLineMark(text);
    if (at < 0)
        return QString();
    // The line runs from the mark to one character before the end of the text; the mark itself
    // is four characters long, so the length is never negative.
    return text.mid(at, text.size() - at - 1);
}

QString StripTags(const QString &line) {
    // Positions 0 .. last are looked at; the final character of the line never is.
    const qsizetype last = line.size() - 2;

    // Pass one: every complete tag becomes a single ">"; an unfinished one ends the pass.
    QString work;
    work.reserve(line.size());
    for (qsizetype i = 0; i <= last; ++i) {
        QChar c = line.at(i);
        if (c == QLatin1Char('<')) {
            while (line.at(i) != QLatin1Char('>')) {
                ++i;
                if (i > last)
                    break;
            }
            if (i > last)
                break;
            c = line.at(i);
        }
        work.append(c);
    }

    // Pass two keeps the bound of the input; since pass one never yields more characters than
    // it reads, the bound can only be larger than the work string, so it is clamped.
    const qsizetype bound = qMin(last + 1, work.size());
    QString plain;
    plain.reserve(bound > 0 ? bound : 0);
    for (qsizetype i = 0; i < bound; ++i) {
        if (work.at(i) != QLatin1Char('>'))
            plain.append(work.at(i));
    }
    return plain;
}

void ClearChat(ChatWindow &window) {
    window.setTranscript(clearedNotice());
}

void TypeChat(ChatWindow &window, const QString &text, bool chatSends) {
    if (!chatSends)
        return;
    window.setInput(text);
    PressSend(window);
}

void PressSend(ChatWindow &window) {
    window.pressSend();
}

} // namespace aimchat
