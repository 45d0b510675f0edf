#include "chatroom/ChatRoom.h"

#include "platform/ChatFrame.h"
#include "platform/LoginName.h"

#include <utility>

namespace {

const QByteArray lineStart = QByteArrayLiteral("<BR>");

} // namespace

ChatRoom::ChatRoom(QObject *parent) : ChatRoom(loginName(), parent) {}

ChatRoom::ChatRoom(const QString &userName, QObject *parent)
    : QObject(parent), m_userName(userName), m_clock([] { return QTime::currentTime(); }),
      m_pacer(this) {
    connect(&m_pacer, &LinePacer::passedOn, this, &ChatRoom::putIn);
    connect(&m_pacer, &LinePacer::notPassedOn, this, &ChatRoom::lineNotPassedOn);
    connect(&m_pacer, &LinePacer::refused, this, &ChatRoom::lineRefused);
    connect(&m_pacer, &LinePacer::overflowing, this, &ChatRoom::lineRefused);
}

QString ChatRoom::transcript() const {
    return ChatFrame::decodeText(m_transcript);
}

void ChatRoom::setTranscript(const QString &html) {
    setTranscriptUtf8(html.toUtf8());
}

void ChatRoom::setTranscriptUtf8(const QByteArray &html) {
    m_transcript = html;
    m_lineCount = int(m_transcript.count(lineStart));
    keepNewestLines();
    m_pacer.transcriptReplaced();
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
    if (!refuseIfTooLong(html))
        return false;
    const QString input = std::exchange(m_input, QString());
    const bool typed = std::exchange(m_inputTyped, false);
    if (!m_pacer.offer(formatLine(m_userName, html, m_clock()), LinePacer::Origin::Own)) {
        // Too many lines waiting is no fault of the request: it is answered as usual.
        m_input = input;
        m_inputTyped = typed;
        return true;
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
    return appendLine(m_userName, escape(text), LinePacer::Origin::Own);
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

bool ChatRoom::appendLine(const QString &speaker, const QString &html, LinePacer::Origin origin) {
    return refuseIfTooLong(html) && m_pacer.offer(formatLine(speaker, html, m_clock()), origin);
}

void ChatRoom::putIn(const QString &line) {
    const QByteArray utf8 = line.toUtf8();
    m_transcript += utf8;
    m_lineCount += int(utf8.count(lineStart));
    keepNewestLines();
    emit lineAppended(line);
}

void ChatRoom::keepNewestLines() {
    if (m_lineCount <= maxTranscriptLines && m_transcript.size() <= maxTranscriptBytes)
        return;
    // Cut at the first line start that leaves few enough lines and bytes.
    qsizetype cut = m_transcript.indexOf(lineStart);
    int kept = m_lineCount;
    while (cut >= 0 &&
           (kept > maxTranscriptLines || m_transcript.size() - cut > maxTranscriptBytes)) {
        cut = m_transcript.indexOf(lineStart, cut + lineStart.size());
        --kept;
    }
    if (cut < 0) {
        // The last line alone is too long (only a replaced transcript can do that): its tail,
        // which is all the player reads, from a character boundary on.
        cut = m_transcript.size() - maxTranscriptBytes;
        while (cut < m_transcript.size() && (uchar(m_transcript.at(cut)) & 0xC0) == 0x80)
            ++cut;
        kept = int(QByteArrayView(m_transcript).sliced(cut).count(lineStart));
    }
    m_transcript.remove(0, cut);
    m_lineCount = kept;
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
