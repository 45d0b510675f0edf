#include "support/TestEnv.h"

#include <QFile>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace testenv {

QString mediaDir() {
    return QStringLiteral(ZAMP_TEST_MEDIA_DIR);
}

QString media(const QString &name) {
    return mediaDir() + QLatin1Char('/') + name;
}

QString binaryDir() {
    return QStringLiteral(ZAMP_BINARY_DIR);
}

bool copyToByteName(const QString &from, const QByteArray &to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = in.readAll();
    const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    ::close(fd);
    return ok;
}

bool makeStaleSocket(const QString &path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace testenv
