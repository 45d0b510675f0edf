#include "player/RandomBag.h"

namespace {

QList<int> notIn(const QList<int> &rows, const RandomBag::KeyOf &keyOf,
                 const QSet<QString> &played) {
    QList<int> left;
    for (const int row : rows) {
        if (!played.contains(keyOf(row)))
            left.append(row);
    }
    return left;
}

} // namespace

QList<int> RandomBag::unplayedAmong(const QList<int> &rows, const KeyOf &keyOf) {
    QList<int> left = notIn(rows, keyOf, m_played);
    if (!left.isEmpty() || rows.isEmpty())
        return left;
    refill();
    left = notIn(rows, keyOf, m_played);
    // The file that just played is the only candidate: it plays again.
    return left.isEmpty() ? rows : left;
}

void RandomBag::played(const QString &key) {
    m_played.insert(key);
    m_last = key;
}

void RandomBag::refill() {
    m_played.clear();
    if (!m_last.isEmpty())
        m_played.insert(m_last);
}
