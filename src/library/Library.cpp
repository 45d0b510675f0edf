#include "library/Library.h"

#include "library/Fold.h"
#include "library/SubstringIndex.h"

#include <algorithm>
#include <vector>

namespace {

QString joinPath(const QString &folder, const QString &file) {
    // A folder that already ends with the separator (the root) does not get a second one.
    if (folder.endsWith(QLatin1Char('/')))
        return folder + file;
    return folder + QLatin1Char('/') + file;
}

} // namespace

struct Library::Impl {
    struct Entry {
        QString file;
        QString sortKey;
        QString pathLine;
        QString display;
        // Folded forms are made on the first search that needs them, not on every add: a scan
        // adds thousands of entries and replaces most display lines before anyone searches.
        mutable QString foldedPath;
        mutable QString foldedDisplay;
        mutable bool foldedPathValid = false;
        mutable bool foldedDisplayValid = false;

        const QString &folded() const {
            if (!foldedDisplayValid) {
                foldedDisplay = fold(display);
                foldedDisplayValid = true;
            }
            return foldedDisplay;
        }
        // The path line is the file name, "|" and the full path; the file name's own length says
        // where the full path begins, whatever the name contains.
        QString fullPath() const { return pathLine.sliced(file.size() + 1); }
        const QString &foldedPathLine() const {
            if (!foldedPathValid) {
                foldedPath = fold(pathLine);
                foldedPathValid = true;
            }
            return foldedPath;
        }
    };

    // Entries in the order they arrived: an entry's place here is its arrival number.
    std::vector<Entry> pool;
    // Row -> entry id, for the placed entries. Rows move by shifting these ints, never entries.
    std::vector<int> rows;
    // Ids added during the open batch, in arrival order.
    std::vector<int> pending;
    int batchDepth = 0;
    bool fullSignalled = false;
    SubstringIndex index;

    bool before(int a, int b) const { return pool[size_t(a)].sortKey < pool[size_t(b)].sortKey; }
    const Entry *entryAt(int row) const {
        if (row < 0 || size_t(row) >= rows.size())
            return nullptr;
        return &pool[size_t(rows[size_t(row)])];
    }
    const Entry &entryOfRow(int row) const { return pool[size_t(rows[size_t(row)])]; }
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
    if (d->index.contains(file))
        return AddResult::Refused;

    Impl::Entry entry;
    entry.file = file;
    // Folded with the folding QString::compare(..., Qt::CaseInsensitive) applies, once, so ordering
    // is a plain comparison at every step of a search or merge.
    entry.sortKey = file.toCaseFolded();
    entry.pathLine = file + QLatin1Char('|') + joinPath(folder, file);
    entry.display = file;
    const int id = int(d->pool.size());
    d->index.add(entry.pathLine);
    d->pool.push_back(std::move(entry));

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
    if (d->batchDepth == 0 || --d->batchDepth > 0 || d->pending.empty())
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
    return entry ? entry->display : QString();
}

QString Library::pathLine(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? entry->pathLine : QString();
}

QString Library::fileName(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? entry->file : QString();
}

QString Library::fullPath(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? entry->fullPath() : QString();
}

QString Library::foldedDisplayLine(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? entry->folded() : QString();
}

QString Library::foldedPathLine(int row) const {
    const Impl::Entry *entry = d->entryAt(row);
    return entry ? entry->foldedPathLine() : QString();
}

int Library::arrivalOf(int row) const {
    if (row < 0 || size_t(row) >= d->rows.size())
        return -1;
    return d->rows[size_t(row)];
}

QString Library::fullPathOfArrival(int arrival) const {
    if (arrival < 0 || size_t(arrival) >= d->pool.size())
        return {};
    return d->pool[size_t(arrival)].fullPath();
}

void Library::setDisplayLine(int row, const QString &text) {
    if (row < 0 || size_t(row) >= d->rows.size())
        return;
    Impl::Entry &entry = d->pool[size_t(d->rows[size_t(row)])];
    if (entry.display == text)
        return;
    entry.display = text;
    entry.foldedDisplayValid = false;
    const QModelIndex changed = index(row, DisplayColumn);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

int Library::firstDisplayMatch(const QString &foldedKey) const {
    const int n = int(d->rows.size());
    for (int row = 0; row < n; ++row) {
        if (d->entryOfRow(row).folded().contains(foldedKey))
            return row;
    }
    return -1;
}

int Library::lastPathMatch(const QString &foldedKey) const {
    for (int row = int(d->rows.size()) - 1; row >= 0; --row) {
        if (d->entryOfRow(row).foldedPathLine().contains(foldedKey))
            return row;
    }
    return -1;
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
    return index.column() == PathColumn ? entry->pathLine : entry->display;
}
