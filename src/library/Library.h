#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <memory>

// The library: one ordered collection of entries, each a media file seen as a display line and
// a path line at the same index. Column 0 of the model is the display line (shown by lstSong),
// column 1 the path line (shown by lstFiles), so both lists address an entry by the same row.
//
// Path line: file name, "|", folder, the platform's separator, file name (a folder that already
// ends with the separator, the root, gets no second one). It is made when asked for, from the
// file name and the folder, as are the full path and the folded lines the searches compare.
// Entries stand in case-insensitive alphabetical order of their file names; replacing a display
// line never moves an entry. The entry's number (as the user sees it) is its row plus 1.
class Library : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCapacity = 32767;
    enum Column { DisplayColumn = 0, PathColumn = 1 };
    enum class AddResult { Added, Refused, Full };

    explicit Library(QObject *parent = nullptr);
    ~Library() override;

    // Adds one media file: `file` is the file name with its extension, `folder` the folder that
    // holds it, as the folder listing reports it. Refused when `file` occurs (case-sensitive
    // substring) anywhere inside any path line already present; Full when the library already
    // holds kCapacity entries (nothing present is touched).
    AddResult AddIt(const QString &file, const QString &folder);

    // While a batch is open, AddIt keeps new entries aside (they still take part in the refusal
    // test and the capacity) and endBatch() places them all at once, exactly where one-by-one
    // adds would have put them. Reads by row during a batch see only the entries placed before
    // it began. A begin/end pair inside an open batch only counts: the outermost endBatch()
    // places the entries. Views see the new rows appended, then (unless they all belong at the
    // end) one layout change that moves them into place with persistent indexes remapped.
    // Display lines replaced during a batch read back at once; views hear of them in one change
    // at its end. The refusal test's index, which only adds need, is dropped at the end of the
    // outermost batch and made again by the next add.
    void beginBatch();
    void endBatch();
    bool isBatchOpen() const;

    // Entries placed (excluding those waiting in an open batch).
    int count() const;
    // Entries placed plus those waiting in an open batch: what the capacity counts.
    int totalCount() const;
    // The library holds kCapacity entries (placed or waiting); every further add is Full.
    bool isFull() const;

    QString displayLine(int row) const;
    QString pathLine(int row) const;
    QString fileName(int row) const;
    // The file's full path (folder, separator, file name). Never parsed back out of the path
    // line, so a file name that contains "|" still names its own file.
    QString fullPath(int row) const;
    QString foldedDisplayLine(int row) const;
    QString foldedPathLine(int row) const;

    // Every entry also has an arrival number: 0 for the first entry ever added, 1 for the next,
    // and so on (entries waiting in an open batch included). Unlike rows, arrival numbers never
    // shift, so work keyed by them survives later adds.
    int arrivalOf(int row) const;
    QString fullPathOfArrival(int arrival) const;

    // Replaces a display line; the entry keeps its row.
    void setDisplayLine(int row, const QString &text);

    // First row whose folded display line contains `foldedKey` (plain substring test); -1 if none.
    int firstDisplayMatch(const QString &foldedKey) const;
    // Every row whose folded display line contains `foldedKey`, in row order.
    QList<int> displayMatches(const QString &foldedKey) const;
    // Last row whose folded path line contains `foldedKey`; -1 if none.
    int lastPathMatch(const QString &foldedKey) const;

    // What the entries take (their records, texts and folders), for figures.
    qsizetype memoryBytes() const;

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

signals:
    // Emitted once, when the first add is refused because the library is full.
    void becameFull();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
