#pragma once

#include <QByteArray>
#include <QString>

// File names as the file system holds them (bytes) and as the program holds them (QString),
// without loss: a name that is not valid UTF-8 keeps each stray byte as one of the lone
// surrogates U+DC80..U+DCFF, so the file can still be opened, played and tag-read by name.
// Qt's own conversion would turn such bytes into U+FFFD and lose the file.
class FileNames {
public:
    static QString decode(const QByteArray &bytes);
    static QString decode(const char *bytes, qsizetype size);
    static QByteArray encode(const QString &name);
};
