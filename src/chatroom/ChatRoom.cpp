#include "chatroom/ChatRoom.h"

#include "platform/ChatFrame.h"
#include "platform/LoginName.h"

#include <utility>

ChatRoom::ChatRoom(QObject *parent) : ChatRoom(loginName(), parent) {}

ChatRoom::ChatRoom(const QString &userName, QObject *parent)
    : QObject(parent), m_userName(userName), m_clock([] { return QTime::currentTime(); }) {}

QString ChatRoom::transcript() const {
    return ChatFrame::decodeText(m_transcript);
}

void ChatRoom::setTranscript(const QString &html) {
    setTranscriptUtf8(html.toUtf8());
}

void ChatRoom::setTranscriptUtf8(const QByteArray &html) {
    m_transcript = html;
    emit transcriptReplaced();
}

void ChatRoom::setInput(const QString &html) {
    m_inputTyped = false;
    if (m_input == html)
        return;
    m_input = html;
    emit inputChanged(m_input);
}

void ChatRoom::typeInput(const QString &text) {
    m_inputTyped = true;
    if (m_input == text)
        return;
    m_input = text;
    emit inputChanged(m_input);
}

void ChatRoom::setUserName(const QString &name) {
    if (m_userName == name)
        return;
    m_userName = name;
    emit userNameChanged(m_userName);
}

bool ChatRoom::send() {
    if (m_input.isEmpty())
        return true;
    const QString html = m_inputTyped ? escape(m_input) : m_input;
    // Empty while the line goes in, as watchers of the line expect; a refused line goes back.
    if (m_outlet)
        return sendToOutlet(html);
    const QString input = std::exchange(m_input, QString());
    const bool typed = std::exchange(m_inputTyped, false);
    if (!appendLine(m_userName, html)) {
        m_input = input;
        m_inputTyped = typed;
        return false;
    }
    emit inputChanged(m_input);
    return true;
}

ChatRoom::Offer ChatRoom::offerToOutlet(const QString &html) {
    if (!refuseIfTooLong(html))
        return Offer::TooLong;
    const QString refusal = m_outlet(html);
    if (!refusal.isEmpty()) {
        emit lineRefused(refusal);
        return Offer::Refused;
    }
    return Offer::Taken;
}

bool ChatRoom::sendToOutlet(const QString &html) {
    const Offer offer = offerToOutlet(html);
    // A line the outlet refused (its queue is full) stays in the box; the request itself was fine.
    if (offer != Offer::Taken)
        return offer == Offer::Refused;
    m_input.clear();
    m_inputTyped = false;
    emit inputChanged(m_input);
    return true;
}

bool ChatRoom::sayAsUser(const QString &text) {
    if (m_outlet)
        return offerToOutlet(escape(text)) == Offer::Taken;
    return say(m_userName, text);
}

bool ChatRoom::say(const QString &speaker, const QString &text) {
    return appendLine(speaker, escape(text));
}

bool ChatRoom::refuseIfTooLong(const QString &html) {
    const qsizetype bytes = html.toUtf8().size();
    if (bytes > maxLineBytes) {
        emit lineRefused(tr("Not sent: the line is %1 bytes long, and a line may be at most %2 "
                            "bytes.")
                             .arg(bytes)
                             .arg(maxLineBytes));
        return false;
    }
    return true;
}

bool ChatRoom::appendLine(const QString &speaker, const QString &html) {
    if (!refuseIfTooLong(html))
        return false;
    const QString line = formatLine(speaker, html, m_clock());
    m_transcript += line.toUtf8();
    emit lineAppended(line);
    return true;
}

void ChatRoom::setOutlet(Outlet outlet) {
    m_outlet = std::move(outlet);
}

void ChatRoom::setClock(Clock clock) {
    m_clock = std::move(clock);
}

QString ChatRoom::formatLine(const QString &speaker, const QString &html, const QTime &time) {
    return QStringLiteral("<BR><FONT COLOR=\"#0000ff\"><B>") + escape(speaker) +
           QStringLiteral("</B></FONT><FONT COLOR=\"#000000\">: ") + html +
           QStringLiteral("<!-- (") + time.toString(QStringLiteral("HH:mm:ss")) +
           QStringLiteral(") --></FONT>");
}

QString ChatRoom::escape(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            out += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            out += QStringLiteral("&gt;");
        else
            out += c;
    }
    return out;
}

QString ChatRoom::loginName() {
    return LoginName::current();
}
