#include "app/RoomLauncher.h"

#include "library/Fold.h"
#include "platform/ChatRoomClient.h"
#include "platform/LoginName.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

bool RoomLauncher::startIfNone(const QString &program, Window window, int timeoutMs) {
    ChatRoomClient client;
    if (client.roomAnswers())
        return false;
    QProcess room;
    room.setProgram(program);
    room.setStandardOutputFile(QProcess::nullDevice());
    if (window == Window::None)
        room.setArguments({QStringLiteral("--no-window")});
    else
        room.setStandardErrorFile(QProcess::nullDevice());
    if (!room.startDetached())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (!client.roomAnswers() && !deadline.hasExpired())
        QThread::msleep(50);
    return true;
}

QString RoomLauncher::roomUserName(const QString &socketPath) {
    const QString name = ChatRoomClient(socketPath).roomUserName();
    // A name of spaces alone would fold to nothing, and the player would obey no one.
    return fold(name).isEmpty() ? LoginName::current() : name;
}
