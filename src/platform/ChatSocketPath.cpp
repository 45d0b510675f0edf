#include "platform/ChatSocketPath.h"

#include "platform/LoginName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

QString ChatSocketPath::current() {
    return forEnvironment(qEnvironmentVariable("XDG_RUNTIME_DIR"), uint(::getuid()));
}

QString ChatSocketPath::forEnvironment(const QString &runtimeDir, uint uid) {
    if (!runtimeDir.isEmpty() && isPrivateFolder(runtimeDir, uid)) {
        const QFileInfo dir(runtimeDir);
        return QDir::cleanPath(dir.absoluteFilePath() + QStringLiteral("/aim_chatwnd"));
    }
    return QStringLiteral("/tmp/aim_chatwnd-%1").arg(uid);
}

bool ChatSocketPath::isPrivateFolder(const QString &folder, uint uid) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == uid && (info.st_mode & 07777) == 0700;
}

uint ChatSocketPath::ownUserId() {
    // The effective id: it is the one the system records as owner and as peer credentials.
    return uint(::geteuid());
}

std::optional<uint> ChatSocketPath::ownerOf(const QString &path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return uint(info.st_uid);
}

std::optional<uint> ChatSocketPath::peerUserId(qintptr socketDescriptor) {
    if (socketDescriptor < 0)
        return std::nullopt;
#if defined(SO_PEERCRED)
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials)
        return std::nullopt;
    return uint(credentials.uid);
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(int(socketDescriptor), &uid, &gid) != 0)
        return std::nullopt;
    return uint(uid);
#endif
}

QString ChatSocketPath::describeUser(uint uid) {
    const QString name = LoginName::forUser(uid);
    if (!name.isEmpty())
        return QStringLiteral("%1 (uid %2)").arg(name).arg(uid);
    return QStringLiteral("uid %1").arg(uid);
}
