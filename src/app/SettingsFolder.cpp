#include "app/SettingsFolder.h"

#include "session/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

QString SettingsFolder::forProgram(const QString &programFolder) {
    return holdsSettings(programFolder) ? programFolder : userFolder();
}

QString SettingsFolder::prepare(const QString &programFolder) {
    const QString folder = forProgram(programFolder);
    QDir().mkpath(folder);
    return folder;
}

QString SettingsFolder::userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

bool SettingsFolder::holdsSettings(const QString &folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    // Root may write anywhere, but a program installed by the package manager must never leave
    // files among the packaged ones: they would outlive the package. A copy that has kept its
    // settings there all along goes on doing so.
    const bool system =
        canonical == QLatin1String("/usr") || canonical.startsWith(QLatin1String("/usr/"));
    const QString file = QDir(canonical).filePath(QString::fromLatin1(Settings::kFileName));
    if (system && !QFileInfo::exists(file))
        return false;
#ifndef Q_OS_WIN
    if (::access(QFile::encodeName(canonical).constData(), W_OK) != 0)
        return false;
#endif
    // access() answers from the permission bits; ACLs, network file systems and Windows' own
    // rules only show when a file is really made.
    QTemporaryFile probe(QDir(canonical).filePath(QStringLiteral(".zandoramp-XXXXXX")));
    return probe.open();
}
