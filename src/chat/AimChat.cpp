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

} // namespace

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
