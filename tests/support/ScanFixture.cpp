#include "support/ScanFixture.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

namespace scanfixture {

bool makeTree(const QString &root, const QStringList &paths) {
    for (const QString &path : paths) {
        const QString full = root + QLatin1Char('/') + path;
        if (path.endsWith(QLatin1Char('/'))) {
            if (!QDir().mkpath(full))
                return false;
            continue;
        }
        QDir().mkpath(QFileInfo(full).path());
        QFile file(full);
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

bool copyMedia(const QString &name, const QString &to) {
    QDir().mkpath(QFileInfo(to).path());
    return QFile::copy(testenv::media(name), to);
}

QStringList captionsFor(int n) {
    QStringList captions;
    for (int i = 0; i < n; ++i)
        captions << QStringLiteral("Add %1 of %2 files.").arg(i).arg(n);
    return captions;
}

bool FailingListing::list(const QString &folder, Contents &contents) const {
    listed << folder;
    if (failing.contains(folder)) {
        contents = {};
        return false;
    }
    return DirectoryListing::list(folder, contents);
}

Scan::Scan(const TagReader *reader, const DirectoryListing *listing)
    : formats([this] { return allFormats; }, [this](bool on) { allFormats = on; }),
      scanner(&library, reader ? reader : &tags, hooks(), listing) {
    formats.setSay([this](const QString &text) { said << text; });
    scanner.setFormats(&formats);
    QObject::connect(&scanner, &FolderScanner::progressWindowShown,
                     [this](AddProgressWindow *window) { watch(window); });
}

FolderScanner::Hooks Scan::hooks() {
    FolderScanner::Hooks hooks;
    hooks.owner = &owner;
    hooks.storeFolder = [this](const QString &folder) {
        stored << folder;
        events << QStringLiteral("store");
    };
    hooks.pause = [this](double seconds) {
        pauses << seconds;
        events << QStringLiteral("pause");
        windowVisibleInPause = lastWindow && lastWindow->isVisible();
        if (duringPause)
            duringPause();
    };
    return hooks;
}

void Scan::watch(AddProgressWindow *window) {
    ++windowsShown;
    events << QStringLiteral("window");
    initialStatus = window->findChild<QLabel *>(QStringLiteral("labStat"))->text();
    windowTitle = window->windowTitle();
    windowName = window->objectName();
    const auto *bar = window->findChild<QProgressBar *>(QStringLiteral("Bar1"));
    barMinimum = bar ? bar->minimum() : -1;
    lastWindow = window;
    QObject::connect(window, &AddProgressWindow::statusShown, [this, window](const QString &text) {
        captions << text;
        barValues << window->value();
        barMaximum = window->maximum();
        linesAtCaption << library.displayLine(int(captions.size()) - 1);
    });
}

QStringList Scan::displayLines() const {
    QStringList lines;
    for (int row = 0; row < library.count(); ++row)
        lines << library.displayLine(row);
    return lines;
}

QStringList Scan::fullPaths() const {
    QStringList paths;
    for (int row = 0; row < library.count(); ++row)
        paths << library.fullPath(row);
    return paths;
}

} // namespace scanfixture
