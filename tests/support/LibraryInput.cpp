#include "support/LibraryInput.h"

#include "library/Library.h"

#include <QRandomGenerator>

namespace libraryinput {

namespace {

QString randomName(QRandomGenerator &random, const QString &alphabet, int maxLength) {
    QString name;
    const int length = 1 + random.bounded(maxLength);
    for (int i = 0; i < length; ++i)
        name.append(alphabet.at(random.bounded(int(alphabet.size()))));
    return name;
}

} // namespace

QList<Add> randomAdds(quint32 seed, int count, const QString &alphabet, int maxLength) {
    QRandomGenerator random(seed);
    const QStringList folders{QStringLiteral("/m"), QStringLiteral("/m/") + alphabet,
                              QStringLiteral("/x/") + alphabet.left(2) + alphabet.left(2),
                              QStringLiteral("/Music/Live")};
    QList<Add> adds;
    for (int i = 0; i < count; ++i)
        adds.append({randomName(random, alphabet, maxLength),
                     folders.at(random.bounded(int(folders.size())))});
    return adds;
}

QStringList pathLines(const Library &library) {
    QStringList lines;
    for (int row = 0; row < library.count(); ++row)
        lines << library.pathLine(row);
    return lines;
}

QStringList displayLines(const Library &library) {
    QStringList lines;
    for (int row = 0; row < library.count(); ++row)
        lines << library.displayLine(row);
    return lines;
}

} // namespace libraryinput
