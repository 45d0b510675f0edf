#include "app/RoomLauncher.h"

#include "platform/ChatRoomClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#include <vector>
#endif

bool RoomLauncher::startIfNone(const QString &program, int timeoutMs) {
    ChatRoomClient client;
    if (client.roomAnswers())
        return false;
    QProcess room;
    room.setProgram(program);
    room.setStandardOutputFile(QProcess::nullDevice());
    room.setStandardErrorFile(QProcess::nullDevice());
    if (!room.startDetached())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (!client.roomAnswers() && !deadline.hasExpired())
        QThread::msleep(50);
    return true;
}

QString RoomLauncher::roomUserName() {
#ifndef Q_OS_WIN
    // The room takes its user's name from the password database; so must this.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
#endif
    return qEnvironmentVariable("USER");
}
