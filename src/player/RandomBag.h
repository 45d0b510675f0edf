#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <functional>

// Random play without repeats: the files that have played since the bag was last refilled are
// kept out of the draw until every candidate has had its turn. Files are known by a key (their
// full path), so entries that move to other rows when the library changes keep their history.
class RandomBag {
public:
    using KeyOf = std::function<QString(int row)>;

    // The rows among `rows` that have not played since the last refill. When every one of them
    // has, the bag refills first, so the answer is empty only when `rows` is.
    QList<int> unplayedAmong(const QList<int> &rows, const KeyOf &keyOf);
    // Notes that the file of that key has started.
    void played(const QString &key);
    // Every file may play again, except the one that just played: drawing it first thing after a
    // refill would sound like a repeat.
    void refill();

private:
    QSet<QString> m_played;
    QString m_last;
};
