#include "library/FolderScanner.h"

#include "library/AddProgressWindow.h"
#include "library/AllFormats.h"
#include "library/Library.h"
#include "library/TagPrefetch.h"
#include "platform/FreeMemory.h"
#include "platform/TagReader.h"

#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The folder as a listing reports it: without trailing separators, except for the root itself.
QString folderPath(const QString &source) {
    QString folder = source;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString childPath(const QString &folder, const QString &name) {
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// New entries wait aside while the walk runs and are placed with one merge at its end, instead
// of shifting the rows once per file.
class BatchGuard {
public:
    explicit BatchGuard(Library &library) : m_library(library) { m_library.beginBatch(); }
    ~BatchGuard() { m_library.endBatch(); }
    BatchGuard(const BatchGuard &) = delete;
    BatchGuard &operator=(const BatchGuard &) = delete;

private:
    Library &m_library;
};

} // namespace

FolderScanner::FolderScanner(Library *library, const TagReader *tags, Hooks hooks,
                             const DirectoryListing *listing, QObject *parent)
    : QObject(parent), m_library(library), m_tags(tags), m_hooks(std::move(hooks)),
      m_listing(listing ? listing : &m_fileSystem), m_workers(TagPrefetch::defaultWorkers()) {}

FolderScanner::~FolderScanner() = default;

bool FolderScanner::isMediaName(const QString &name) {
    if (name.size() < 3)
        return false;
    // Lower-casing any other character than A to Z never gives one of these letters, so the
    // test needs no lower-cased copy of the name.
    char16_t tail[3];
    for (int i = 0; i < 3; ++i) {
        const char16_t unit = name[name.size() - 3 + i].unicode();
        tail[i] = unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
    }
    const QStringView lower(tail, 3);
    return lower == u"mp3" || lower == u"wma" || lower == u"asf" || lower == u"asx";
}

bool FolderScanner::isHiddenName(const QString &name) {
#ifdef Q_OS_WIN
    // The listing has already left out what the hidden and system attributes hide; a leading dot
    // hides nothing on Windows.
    Q_UNUSED(name);
    return false;
#else
    return name.startsWith(QLatin1Char('.'));
#endif
}

void FolderScanner::sortNames(QStringList &names) {
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
}

QString FolderScanner::attributeLine(const MediaTags &tags, const QString &fileName) {
    if (tags.artist.isEmpty())
        return {};
    QString name = tags.title;
    if (name.isEmpty()) {
        const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
        name = dot > 0 ? fileName.first(dot) : fileName;
    }
    return tags.artist + QStringLiteral(" - ") + name;
}

void FolderScanner::addfiles(const QString &source) {
    if (source.isEmpty() || !m_library)
        return;
    std::unique_ptr<TagPrefetch> prefetch;
    m_allFormats = m_formats && m_formats->isOn();
    m_leftOut = 0;
    walk(source, prefetch);
    if (m_formats && m_leftOut > 0)
        m_formats->leftOut(folderPath(source), m_leftOut);
    emit walkFinished();
    // Also for a folder without subfolders: it is the most common music folder of all, and only
    // the completion remembers it and shows its tags.
    complete(source, std::move(prefetch));
}

void FolderScanner::walk(const QString &source, std::unique_ptr<TagPrefetch> &prefetch) {
    const BatchGuard batch(*m_library);
    const QString top = folderPath(source);
    DirectoryListing::Contents contents;
    // A folder that cannot be listed ends the walk where it is and goes on to the completion.
    if (!m_listing->list(top, contents))
        return;
    QStringList subfolders;
    for (const QString &name : std::as_const(contents.folders)) {
        if (!isHiddenName(name))
            subfolders.append(name);
    }
    sortNames(subfolders);
    // The completion is certain, so reading tags can start right away.
    startPrefetch(prefetch);
    addMedia(std::move(contents.files), top, prefetch.get());
    // One level only: the subfolders' own subfolders are listed but never walked.
    for (const QString &name : std::as_const(subfolders)) {
        const QString folder = childPath(top, name);
        if (!m_listing->list(folder, contents))
            return;
        addMedia(std::move(contents.files), folder, prefetch.get());
    }
}

int FolderScanner::walkWorkers() const {
    return std::min(m_workers, std::max(m_workers - 1, 1));
}

void FolderScanner::startPrefetch(std::unique_ptr<TagPrefetch> &prefetch) const {
    if (!m_tags || prefetch)
        return;
    // Queue position = arrival number: the entries already there first, then each new one as
    // the walk adds it. One worker, in the background, while the walk needs a core of its own.
    prefetch = std::make_unique<TagPrefetch>(*m_tags, Library::kCapacity, walkWorkers(),
                                             TagPrefetch::Priority::Background);
    const int present = m_library->totalCount();
    for (int arrival = 0; arrival < present; ++arrival)
        prefetch->append(m_library->fullPathOfArrival(arrival));
}

void FolderScanner::addMedia(QStringList files, const QString &folder, TagPrefetch *prefetch) {
    files.removeIf([this](const QString &name) {
        if (isHiddenName(name))
            return true;
        if (isMediaName(name))
            return false;
        if (!AllFormats::isOtherFormatName(name))
            return true;
        if (!m_allFormats)
            ++m_leftOut;
        return !m_allFormats;
    });
    sortNames(files);
    for (const QString &name : std::as_const(files)) {
        if (m_library->AddIt(name, folder) != Library::AddResult::Added || !prefetch)
            continue;
        const int arrival = m_library->totalCount() - 1;
        if (prefetch->size() == arrival)
            prefetch->append(m_library->fullPathOfArrival(arrival));
    }
}

void FolderScanner::complete(const QString &source, std::unique_ptr<TagPrefetch> prefetch) {
    const QPointer<FolderScanner> self(this);
    const QPointer<Library> library = m_library;
    const TagReader *tags = m_tags;

    // Every file of the library is queued by now (a walk that failed at once queues them here);
    // the remaining workers join, and the wait below is spent reading.
    if (!prefetch && library->count() > 0)
        startPrefetch(prefetch);
    if (prefetch) {
        prefetch->finish();
        prefetch->addWorkers(m_workers - walkWorkers());
    }

    if (m_hooks.storeFolder)
        m_hooks.storeFolder(source);
    QPointer<AddProgressWindow> window;
    if (m_hooks.showProgress) {
        window = new AddProgressWindow(m_hooks.owner);
        window->show();
        emit progressWindowShown(window);
    }
    if (m_hooks.pause)
        m_hooks.pause(kWaitSeconds);

    // Anything could have run during the wait: another scan (the library may have grown and its
    // rows shifted), the owner or this scanner may even be gone.
    if (!self || !library) {
        delete window.data();
        return;
    }
    emit passStarted();

    const int n = library->count();
    if (window) {
        window->setTotal(n);
        window->setRepaintInterval(m_repaintMs);
    }
    // The views hear of the new display lines once, at the end of the pass.
    std::optional<BatchGuard> batch(std::in_place, *library);
    for (int row = 0; row < n; ++row) {
        // Files added during the wait were never queued; they are read here.
        const int arrival = library->arrivalOf(row);
        MediaTags read;
        if (prefetch && arrival < prefetch->size())
            read = prefetch->take(arrival);
        else if (tags)
            read = tags->readTags(library->fullPath(row));
        const QString line = attributeLine(read, library->fileName(row));
        if (!line.isEmpty())
            library->setDisplayLine(row, line);
        // Only the progress window is drawn, and not for every file; no other event is
        // processed until the scan returns.
        if (window)
            window->showProgress(row, n);
    }
    batch.reset();
    if (window) {
        window->close();
        delete window.data();
    }
    // The walk's and the tag readers' scratch (the index, paths, tags) is gone: its pages go
    // back to the system rather than stay with the player for good. That takes a few tens of
    // milliseconds for a large library, so it waits for the event loop: at start, until the
    // window is up.
    prefetch.reset();
    QTimer::singleShot(0, [] { FreeMemory::giveBack(); });
}
