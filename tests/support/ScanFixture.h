#pragma once

#include "library/AddProgressWindow.h"
#include "library/AllFormats.h"
#include "library/FolderScanner.h"
#include "library/Library.h"
#include "platform/DirectoryListing.h"
#include "support/FakeTagReader.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace scanfixture {

// Makes files and folders under `root` from relative paths; a path ending in "/" is a folder.
bool makeTree(const QString &root, const QStringList &paths);
// Copies one of the test media files (testenv::media) to `to`, making its folder.
bool copyMedia(const QString &name, const QString &to);
// "Add 0 of n files." ... "Add n-1 of n files."
QStringList captionsFor(int n);

// A listing that fails for chosen folders, as an unreadable folder does for a normal user, and
// records every folder it was asked for.
class FailingListing : public DirectoryListing {
public:
    QStringList failing;
    mutable QStringList listed;
    bool list(const QString &folder, Contents &contents) const override;
};

// Everything a scan touches, with the main window's hooks and the progress window recorded.
// Tags come from `tags` unless another reader is given.
class Scan {
public:
    explicit Scan(const TagReader *reader = nullptr, const DirectoryListing *listing = nullptr);

    QStringList displayLines() const;
    QStringList fullPaths() const;

    QWidget owner;
    Library library;
    FakeTagReader tags;
    QStringList stored;         // storeFolder calls
    QList<double> pauses;       // pause calls
    QStringList events;         // "store", "window", "pause" in the order they happened
    QStringList captions;       // every labStat caption shown
    QList<int> barValues;       // Bar1's value at each caption
    QStringList linesAtCaption; // the display line of the row just done, at each caption
    int barMaximum = -1;
    int barMinimum = -1;
    int windowsShown = 0;
    bool windowVisibleInPause = false;
    QString initialStatus;
    QString windowTitle;
    QString windowName;
    QPointer<AddProgressWindow> lastWindow;
    // Runs inside the pause hook, as events processed during the wait would.
    std::function<void()> duringPause;
    // "All Formats", kept in `allFormats`; what it says goes to `said`.
    bool allFormats = false;
    QStringList said;
    AllFormats formats;
    FolderScanner scanner;

private:
    FolderScanner::Hooks hooks();
    void watch(AddProgressWindow *window);
};

} // namespace scanfixture
