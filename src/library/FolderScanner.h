#pragma once

#include "library/AllFormats.h"
#include "platform/DirectoryListing.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class AddProgressWindow;
class Library;
class TagPrefetch;
class QWidget;
class TagReader;
struct MediaTags;

// The folder scan (`addfiles`): adds the media files of a folder and of its immediate
// subfolders to the library, remembers the folder, and then, with the progress window up,
// replaces display lines with the files' author and name.
//
// Everything happens on the UI thread except the tag reading, which runs on worker threads: one,
// in the background, reads each file the walk adds while the walk goes on; the others join when
// the walk is done, so that most of the reading is over by the end of the 0.55 s wait. The
// results are still applied strictly in library order. From the start of the walk to the end of the
// pass no events are processed (only the progress window repaints itself), except inside the wait,
// where anything may happen, including another scan.
class FolderScanner : public QObject {
    Q_OBJECT
public:
    // What the scan needs from the main window.
    struct Hooks {
        // Stores the scanned folder under "xdir" (SetSetting("xdir", folder)).
        std::function<void(const QString &folder)> storeFolder;
        // The main window's wait that processes events (PaUse).
        std::function<void(double seconds)> pause;
        // The progress window's owner; may be null.
        QWidget *owner = nullptr;
        // False for a player without a window: nothing shows the scan.
        bool showProgress = true;
    };

    static constexpr double kWaitSeconds = 0.55;

    // `tags` may be null: display lines then stay file names. `listing` may be null: the real
    // file system is listed.
    FolderScanner(Library *library, const TagReader *tags, Hooks hooks,
                  const DirectoryListing *listing = nullptr, QObject *parent = nullptr);
    ~FolderScanner() override;

    // Scans `source` (nothing at all when it is empty) and returns once the progress window is
    // closed again.
    void addfiles(const QString &source);

    // How many tag-reading threads a scan runs once the walk is done, one fewer during the walk
    // (tests use 0 to read everything in order on the UI thread); by default the machine's core
    // count.
    void setWorkerThreads(int workers) { m_workers = workers; }
    // Scans from now on show their progress window over `owner`.
    void showProgressOver(QWidget *owner) {
        m_hooks.owner = owner;
        m_hooks.showProgress = true;
    }
    // How often the progress window repaints itself during the pass.
    void setRepaintInterval(int milliseconds) { m_repaintMs = milliseconds; }
    // "All Formats": with it on, the walk also takes the other audio formats; with it off, it
    // tells it how many it left out. Without it, only the library's own formats count.
    void setFormats(AllFormats *formats) { m_formats = formats; }

    // A file counts as media when the last three characters of its name, lower-cased, are
    // "mp3", "wma", "asf" or "asx"; names shorter than three characters never do. With "All
    // Formats" on, so do the names AllFormats::isOtherFormatName takes.
    static bool isMediaName(const QString &name);
    // Names beginning with "." are hidden and left out of the scan. On Windows no name is: there
    // the listing leaves out entries by their hidden and system attributes.
    static bool isHiddenName(const QString &name);
    // Alphabetical, ignoring case; names equal but for case in exact order.
    static void sortNames(QStringList &names);
    // What the attribute pass shows for a file: author " - " name, where the name is the title
    // or, without one, the file name without its extension. Empty when the author is empty (the
    // display line is then kept).
    static QString attributeLine(const MediaTags &tags, const QString &fileName);

signals:
    // The progress window has just been shown (before the wait). It is deleted when the scan
    // closes it.
    void progressWindowShown(AddProgressWindow *window);
    // The walk is over and the pass is about to begin, for figures.
    void walkFinished();
    void passStarted();

private:
    void walk(const QString &source, std::unique_ptr<TagPrefetch> &prefetch);
    // Tag-reading threads while the walk runs: one core is the walk's own.
    int walkWorkers() const;
    void startPrefetch(std::unique_ptr<TagPrefetch> &prefetch) const;
    void addMedia(QStringList files, const QString &folder, TagPrefetch *prefetch);
    void complete(const QString &source, std::unique_ptr<TagPrefetch> prefetch);

    QPointer<Library> m_library;
    const TagReader *m_tags;
    Hooks m_hooks;
    DirectoryListing m_fileSystem;
    const DirectoryListing *m_listing;
    int m_workers;
    int m_repaintMs = 50;
    QPointer<AllFormats> m_formats;
    // This scan's: whether it takes the other formats, and how many files of them it left out.
    bool m_allFormats = false;
    int m_leftOut = 0;
};
