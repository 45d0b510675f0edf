#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class Library;

namespace libraryinput {

using Add = QPair<QString, QString>; // file name, folder

// `count` random adds with names of 1..maxLength characters from `alphabet`, spread over a few
// folders whose names are made of the same characters (so that names also occur in folders).
QList<Add> randomAdds(quint32 seed, int count, const QString &alphabet, int maxLength);

// The library's lines in row order.
QStringList pathLines(const Library &library);
QStringList displayLines(const Library &library);

} // namespace libraryinput
