#include "platform/LoginName.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#include <vector>
#endif

QString LoginName::current() {
#ifndef Q_OS_WIN
    const QString name = forUser(uint(::getuid()));
    if (!name.isEmpty())
        return name;
#endif
    return qEnvironmentVariable("USER");
}

QString LoginName::forUser([[maybe_unused]] uint uid) {
#ifndef Q_OS_WIN
    // getpwuid_r rather than getpwuid: a room may be made on a worker thread in tests.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(uid_t(uid), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
#endif
    return QString();
}
