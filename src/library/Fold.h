#pragma once

#include <QString>
#include <QStringView>

// The folded form every library search compares: lower case, with every space (U+0020) removed.
QString fold(const QString &text);
// fold(text) into `out` (replacing what it held), without a new string for the common case of
// plain ASCII text: a search folds every line of the library in turn into one buffer.
void foldInto(QStringView text, QString &out);

// Whether a.toCaseFolded() < b.toCaseFolded(), without making either: the library's order.
bool caseFoldedLess(QStringView a, QStringView b);
