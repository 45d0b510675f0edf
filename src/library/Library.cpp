#include "library/Library.h"

#include "library/Fold.h"
#include "library/SubstringIndex.h"
#include "library/TextArena.h"

#include <QHash>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

// A folder that already ends with the separator (the root) does not get a second one.
bool needsSeparator(QStringView folder) {
    return !folder.endsWith(QLatin1Char('/'));
}

} // namespace

// An entry keeps only what cannot be derived: its file name, its folder (shared by every file
// of that folder) and its display line once that differs from the file name. The path line, the
// full path, the sort key and the folded forms are made when asked for. Texts live in arenas
// rather than in one QString each, which would cost a heap block per text besides the text.
struct Library::Impl {
    struct Entry {
        const char16_t *name;
        const char16_t *display; // nullptr while the display line is the file name
        qint32 nameLength;
        qint32 displayLength;
        qint32 folder;
    };

    // Entries in the order they arrived: an entry's place here is its arrival number.
    std::vector<Entry> pool;
    // Row -> entry id, for the placed entries. Rows move by shifting these ints, never entries.
    std::vector<int> rows;
    // Ids added during the open batch, in arrival order.
    std::vector<int> pending;
    int batchDepth = 0;
    bool fullSignalled = false;

    TextArena names;
    TextArena displays;
    // Units of display lines replaced since the arena was last made anew.
    qsizetype displaysLeftBehind = 0;
    std::vector<QString> folders;
    QHash<QString, qint32> folderIds;

    // The refusal test's index of the path lines. It serves adds alone, which come in scans:
    // made at the first add after a scan, it goes again when the scan's batch ends.
    std::unique_ptr<SubstringIndex> index;
    // Rows of display lines replaced during the open batch, signalled once at its end.
    int changedFirst = -1;
    int changedLast = -1;

    // Reused by the searches, which fold every line of the library in turn.
    mutable QString line;
    mutable QString folded;

    QStringView nameOf(const Entry &entry) const { return {entry.name, entry.nameLength}; }
    QStringView displayOf(const Entry &entry) const {
        return entry.display ? QStringView(entry.display, entry.displayLength) : nameOf(entry);
    }
    bool before(int a, int b) const {
        return caseFoldedLess(nameOf(pool[size_t(a)]), nameOf(pool[size_t(b)]));
    }
    const Entry *entryAt(int row) const {
        if (row < 0 || size_t(row) >= rows.size())
            return nullptr;
        return &pool[size_t(rows[size_t(row)])];
    }
    const Entry &entryOfRow(int row) const { return pool[size_t(rows[size_t(row)])]; }

    qint32 folderId(const QString &folder) {
        // A scan adds a folder's files one after another.
        if (!folders.empty() && folders.back() == folder)
            return qint32(folders.size() - 1);
        const auto found = folderIds.constFind(folder);
        if (found != folderIds.cend())
            return found.value();
        const auto id = qint32(folders.size());
        folders.push_back(folder);
        folderIds.insert(folder, id);
        return id;
    }

    // The full path into `out`, replacing what it held.
    void writeFullPath(const Entry &entry, QString &out) const {
        const QString &folder = folders[size_t(entry.folder)];
        out.clear();
        out.reserve(folder.size() + 1 + entry.nameLength);
        out.append(folder);
        if (needsSeparator(folder))
            out.append(QLatin1Char('/'));
        out.append(nameOf(entry));
    }
    // The path line: file name, "|", full path.
    void writePathLine(const Entry &entry, QString &out) const {
        const QString &folder = folders[size_t(entry.folder)];
        out.clear();
        out.reserve(2 * entry.nameLength + folder.size() + 2);
        out.append(nameOf(entry));
        out.append(QLatin1Char('|'));
        out.append(folder);
        if (needsSeparator(folder))
            out.append(QLatin1Char('/'));
        out.append(nameOf(entry));
    }
    QString fullPath(const Entry &entry) const {
        QString path;
        writeFullPath(entry, path);
        return path;
    }
    QString pathLine(const Entry &entry) const {
        QString text;
        writePathLine(entry, text);
        return text;
    }

    SubstringIndex &refusalIndex() {
        if (!index) {
            index = std::make_unique<SubstringIndex>();
            for (const Entry &entry : pool)
                index->add(pathLine(entry));
        }
        return *index;
    }

    void replaceDisplay(Entry &entry, QStringView text) {
        if (entry.display)
            displaysLeftBehind += entry.displayLength;
        if (text == nameOf(entry)) {
            entry.display = nullptr;
            entry.displayLength = 0;
        } else {
            const QStringView kept = displays.add(text);
            entry.display = kept.isEmpty() ? u"" : kept.utf16();
            entry.displayLength = qint32(kept.size());
        }
        // Rescans with changed tags leave old lines behind; once they outweigh the live ones,
        // the live ones move to a new arena.
        if (displaysLeftBehind > 64 * 1024 && displaysLeftBehind > displays.size() / 2)
            compactDisplays();
    }
    void compactDisplays() {
        TextArena fresh;
        for (Entry &entry : pool) {
            if (entry.display && entry.displayLength > 0)
                entry.display = fresh.add(displayOf(entry)).utf16();
        }
        displays = std::move(fresh);
        displaysLeftBehind = 0;
    }
};

Library::Library(QObject *parent) : QAbstractTableModel(parent), d(std::make_unique<Impl>()) {}

Library::~Library() = default;

Library::AddResult Library::AddIt(const QString &file, const QString &folder) {
    if (d->pool.size() >= size_t(kCapacity)) {
        if (!d->fullSignalled) {
            d->fullSignalled = true;
            emit becameFull();
        }
        return AddResult::Full;
    }
    SubstringIndex &index = d->refusalIndex();
    if (index.contains(file))
        return AddResult::Refused;

    const QStringView name = d->names.add(file);
    Impl::Entry entry{name.isEmpty() ? u"" : name.utf16(), nullptr, qint32(name.size()), 0,
                      d->folderId(folder)};
    const int id = int(d->pool.size());
    d->pool.push_back(entry);
    index.add(d->pathLine(entry));

    if (d->batchDepth > 0) {
        d->pending.push_back(id);
        return AddResult::Added;
    }
    // Equal keys keep their arrival order: the new entry goes after every equal one.
    const auto at = std::upper_bound(d->rows.begin(), d->rows.end(), id,
                                     [this](int a, int b) { return d->before(a, b); });
    const int row = int(at - d->rows.begin());
    beginInsertRows({}, row, row);
    d->rows.insert(at, id);
    endInsertRows();
    return AddResult::Added;
}

void Library::beginBatch() {
    ++d->batchDepth;
}

void Library::endBatch() {
    if (d->batchDepth == 0 || --d->batchDepth > 0)
        return;
    d->index.reset();
    if (d->changedFirst >= 0) {
        const int first = std::exchange(d->changedFirst, -1);
        const int last = std::exchange(d->changedLast, -1);
        emit dataChanged(index(first, DisplayColumn), index(last, DisplayColumn),
                         {Qt::DisplayRole, Qt::EditRole});
    }
    if (d->pending.empty())
        return;
    std::vector<int> incoming;
    incoming.swap(d->pending);
    const auto before = [this](int a, int b) {
        return d->before(a, b);
    };
    // Stable on arrival order, and std::merge takes from the placed entries first on equal keys:
    // together exactly the order that one-by-one upper-bound inserts produce.
    std::stable_sort(incoming.begin(), incoming.end(), before);
    const int placed = int(d->rows.size());
    const int added = int(incoming.size());

    if (placed == 0 || !before(incoming.front(), d->rows.back())) {
        // Everything lands after the placed entries: a plain append.
        beginInsertRows({}, placed, placed + added - 1);
        d->rows.insert(d->rows.end(), incoming.begin(), incoming.end());
        endInsertRows();
        return;
    }

    std::vector<int> merged(size_t(placed + added));
    std::merge(d->rows.begin(), d->rows.end(), incoming.begin(), incoming.end(), merged.begin(),
               before);

    // Views learn of the new rows at the end first, then of one reordering, which keeps their
    // selections and persistent indexes on the same entries.
    beginInsertRows({}, placed, placed + added - 1);
    d->rows.insert(d->rows.end(), incoming.begin(), incoming.end());
    endInsertRows();

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOfId(d->pool.size(), -1);
    for (size_t row = 0; row < merged.size(); ++row)
        newRowOfId[size_t(merged[row])] = int(row);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &old : from) {
        const int id = d->rows[size_t(old.row())];
        to.append(index(newRowOfId[size_t(id)], old.column()));
    }
    d->rows.swap(merged);
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool Library::isBatchOpen() const {
    return d->batchDepth > 0;
}

int Library::count() const {
    return int(d->rows.size());
}

int Library::totalCount() const {
    return int(d->pool.size());
}

bool Library::isFull() const {
    return d->pool.size() >= size_t(kCapacity);
}

QString Library::displayLine(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? d->displayOf(*entry).toString() : QString();
}

QString Library::pathLine(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? d->pathLine(*entry) : QString();
}

QString Library::fileName(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? d->nameOf(*entry).toString() : QString();
}

QString Library::fullPath(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? d->fullPath(*entry) : QString();
}

QString Library::foldedDisplayLine(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    if (!entry)
        return {};
    QString folded;
    foldInto(d->displayOf(*entry), folded);
    return folded;
}

QString Library::foldedPathLine(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    if (!entry)
        return {};
    QString folded;
    foldInto(d->pathLine(*entry), folded);
    return folded;
}

int Library::arrivalOf(int row) const {
    if (row < 0 || size_t(row) >= d->rows.size())
        return -1;
    return d->rows[size_t(row)];
}

QString Library::fullPathOfArrival(int arrival) const {
    if (arrival < 0 || size_t(arrival) >= d->pool.size())
        return {};
    return d->fullPath(d->pool[size_t(arrival)]);
}

void Library::setDisplayLine(int row, const QString &text) {
    if (row < 0 || size_t(row) >= d->rows.size())
        return;
    Impl::Entry &entry = d->pool[size_t(d->rows[size_t(row)])];
    if (d->displayOf(entry) == text)
        return;
    d->replaceDisplay(entry, text);
    if (d->batchDepth > 0) {
        d->changedFirst = d->changedFirst < 0 ? row : std::min(d->changedFirst, row);
        d->changedLast = std::max(d->changedLast, row);
        return;
    }
    const QModelIndex changed = index(row, DisplayColumn);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

int Library::firstDisplayMatch(const QString &foldedKey) const {
    const int n = int(d->rows.size());
    for (int row = 0; row < n; ++row) {
        foldInto(d->displayOf(d->entryOfRow(row)), d->folded);
        if (d->folded.contains(foldedKey))
            return row;
    }
    return -1;
}

QList<int> Library::displayMatches(const QString &foldedKey) const {
    QList<int> matches;
    const int n = int(d->rows.size());
    for (int row = 0; row < n; ++row) {
        foldInto(d->displayOf(d->entryOfRow(row)), d->folded);
        if (d->folded.contains(foldedKey))
            matches.append(row);
    }
    return matches;
}

int Library::lastPathMatch(const QString &foldedKey) const {
    for (int row = int(d->rows.size()) - 1; row >= 0; --row) {
        d->writePathLine(d->entryOfRow(row), d->line);
        foldInto(d->line, d->folded);
        if (d->folded.contains(foldedKey))
            return row;
    }
    return -1;
}

qsizetype Library::memoryBytes() const {
    qsizetype folders = 0;
    for (const QString &folder : d->folders)
        folders += folder.capacity() * qsizetype(sizeof(QChar)) + qsizetype(sizeof(QString));
    return qsizetype(d->pool.capacity() * sizeof(Impl::Entry) + d->rows.capacity() * sizeof(int)) +
           d->names.memoryBytes() + d->displays.memoryBytes() + folders;
}

int Library::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(d->rows.size());
}

int Library::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant Library::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const Impl::Entry *entry = d->entryAt(index.row());
    if (!entry)
        return {};
    return index.column() == PathColumn ? d->pathLine(*entry) : d->displayOf(*entry).toString();
}
