#include "platform/ChatSocketPath.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

QString ChatSocketPath::current() {
    return forEnvironment(qEnvironmentVariable("XDG_RUNTIME_DIR"), uint(::getuid()));
}

QString ChatSocketPath::forEnvironment(const QString &runtimeDir, uint uid) {
    if (!runtimeDir.isEmpty()) {
        const QFileInfo dir(runtimeDir);
        if (dir.isDir())
            return QDir::cleanPath(dir.absoluteFilePath() + QStringLiteral("/aim_chatwnd"));
    }
    return QStringLiteral("/tmp/aim_chatwnd-%1").arg(uid);
}
