#pragma once

#include <QObject>
#include <QString>
#include <cstdio>

class ChatRoom;

// The room's window for a room that runs without one (on a server with no display): every line
// the window would show goes to a stream (stderr), one line each, as plain text: the transcript's
// lines as they come in ("alice: r"), those kept from the player marked "(not passed on)" in
// front as the window marks them, and the notices of refused lines. The room's status and the
// network's state and warnings are said by the program itself, with or without a window.
class RoomConsole : public QObject {
    Q_OBJECT
public:
    // Longer lines are named rather than written, as the window does.
    static constexpr qsizetype maxShownLineBytes = 32768;

    RoomConsole(ChatRoom *room, std::FILE *out, QObject *parent = nullptr);

    // One transcript line (or any HTML) as the one line of plain text it reads as.
    static QString plainLine(const QString &html);

    void say(const QString &text);

private:
    void showLine(const QString &html, bool passedOn);

    ChatRoom *m_room;
    std::FILE *m_out;
};
