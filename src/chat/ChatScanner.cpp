#include "chat/ChatScanner.h"

#include "chat/AimChat.h"

#include <QTimer>

namespace {

// The time stamp of a raw line: the characters after the first "<!-- (" up to the next ")",
// never including the line's final character. Without the marker the walk starts at the sixth
// character, as if the marker stood at position 0.
QString timeStampOf(const QString &line) {
    // p is the marker's 1-based position (0 when absent); the walk starts at 1-based p + 6.
    const qsizetype p = line.indexOf(QStringLiteral("<!-- (")) + 1;
    const qsizetype from = p + 5;
    const qsizetype end = line.size() - 1;
    if (from >= end)
        return QString();
    qsizetype close = line.indexOf(QLatin1Char(')'), from);
    if (close < 0)
        close = end;
    return line.mid(from, close - from);
}

} // namespace

ChatScanner::ChatScanner(ChatWindow &window, std::function<bool()> chatSends, QObject *parent)
    : QObject(parent), m_window(window), m_chatSends(std::move(chatSends)),
      m_chat_tymer(new QTimer(this)) {
    setObjectName(QStringLiteral("chat1"));
    m_chat_tymer->setObjectName(QStringLiteral("chat_tymer"));
    m_chat_tymer->setInterval(kIntervalMs);
    connect(m_chat_tymer, &QTimer::timeout, this, &ChatScanner::tick);
}

ChatScanner::~ChatScanner() = default;

void ChatScanner::scan_on() {
    // Switching on a timer that is already on leaves its countdown running.
    if (!m_chat_tymer->isActive())
        m_chat_tymer->start();
    m_fyrsttalk = aimchat::GetChatTail(m_window);
}

void ChatScanner::scan_off() {
    m_chat_tymer->stop();
}

void ChatScanner::SendChat(const QString &Text) {
    aimchat::TypeChat(m_window, Text, m_chatSends && m_chatSends());
}

void ChatScanner::tick() {
    const QString tail = aimchat::GetChatTail(m_window);
    if (tail == m_fyrsttalk || tail.size() < 3)
        return;

    const QString line = aimchat::GetLastLine(tail);
    m_newlastlyne = line;
    if (line == m_oldlastlyne)
        return;
    m_oldlastlyne = line;

    QString datesaid = QLatin1Char('{') + timeStampOf(line) + QLatin1Char('}');

    const QString plain = aimchat::StripTags(line);
    const qsizetype colon = plain.indexOf(QLatin1Char(':'));
    // No colon: no speaker, and the text is the line from its second character (the character
    // after a colon is skipped, and a missing colon counts as standing before the line).
    QString whosaid = colon > 0 ? plain.left(colon) : QString();
    QString whatsaid = plain.mid(colon + 2);

    emit aimchatscan(whosaid, whatsaid, datesaid);
}
