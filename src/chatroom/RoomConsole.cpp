#include "chatroom/RoomConsole.h"

#include "chatroom/ChatRoom.h"
#include "chatroom/irc/IrcText.h"

RoomConsole::RoomConsole(ChatRoom *room, std::FILE *out, QObject *parent)
    : QObject(parent), m_room(room), m_out(out) {
    connect(m_room, &ChatRoom::lineAppended, this,
            [this](const QString &line) { showLine(line, true); });
    connect(m_room, &ChatRoom::lineNotPassedOn, this,
            [this](const QString &line) { showLine(line, false); });
    connect(m_room, &ChatRoom::lineRefused, this, &RoomConsole::say);
    connect(m_room, &ChatRoom::transcriptReplaced, this, [this] {
        // The window shows the new transcript whole; here its size is enough, and its last line.
        const QByteArray transcript = m_room->transcriptUtf8();
        const qsizetype lastLine = transcript.lastIndexOf("<BR>");
        say(tr("The transcript was replaced (%1 bytes).").arg(transcript.size()));
        if (lastLine >= 0)
            showLine(QString::fromUtf8(transcript.mid(lastLine)), true);
    });
}

QString RoomConsole::plainLine(const QString &html) {
    // Line breaks inside a line (from a replaced transcript, or <br> in the player's HTML) would
    // make one line look like several, each perhaps under another speaker's name.
    return irctext::stripFormatting(irctext::fromHtml(html).join(QLatin1Char(' ')));
}

void RoomConsole::say(const QString &text) {
    std::fprintf(m_out, "chatroom: %s\n", qPrintable(plainLine(ChatRoom::escape(text))));
    std::fflush(m_out);
}

void RoomConsole::showLine(const QString &html, bool passedOn) {
    const qsizetype bytes = html.toUtf8().size();
    const QString text = bytes > maxShownLineBytes
                             ? tr("[a line of %1 bytes, too long to show]").arg(bytes)
                             : plainLine(html);
    const QString mark = passedOn ? QString() : tr("(not passed on)") + QLatin1Char(' ');
    std::fprintf(m_out, "%s%s\n", qPrintable(mark), qPrintable(text));
    std::fflush(m_out);
}
