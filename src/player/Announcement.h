#pragma once

#include <QString>

// The now-playing line, built from the user's template in one pass from left to right. The
// codes, lower case only, are "%a" author, "%s" name, "%n" number, "%d" duration text, "%b" bit
// rate and "%f" the entry's library line; every other character of the template is kept. Values
// are inserted as they stand, so a code that appears inside a value is never expanded.
class Announcement {
public:
    struct Values {
        QString author;
        QString name;
        QString number;
        QString duration;
        int bitRate = 0;
        QString libraryLine;
    };

    // The chat renders what is sent as HTML and reads it back as a new line, so markup in a
    // file's tags or name must arrive as text: "&", "<" and ">" in author, name and library line
    // are escaped. The template's own markup is the user's and stays as written.
    static QString expand(const QString &templateText, const Values &values);
    static QString escapeHtml(const QString &text);
};
