#include "player/Announcement.h"

QString Announcement::escapeHtml(const QString &text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            escaped += QLatin1String("&amp;");
            break;
        case '<':
            escaped += QLatin1String("&lt;");
            break;
        case '>':
            escaped += QLatin1String("&gt;");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString Announcement::expand(const QString &templateText, const Values &values) {
    // Values are escaped once, up front, and appended as they stand: the scan below reads only
    // the template, so a code inside a title or a file name stays text and the work is linear.
    const QString author = escapeHtml(values.author);
    const QString name = escapeHtml(values.name);
    const QString bitRate = QString::number(values.bitRate);
    const QString libraryLine = escapeHtml(values.libraryLine);

    QString text;
    text.reserve(templateText.size());
    const qsizetype size = templateText.size();
    for (qsizetype at = 0; at < size; ++at) {
        const QChar c = templateText.at(at);
        const QString *value = nullptr;
        if (c == QLatin1Char('%') && at + 1 < size) {
            switch (templateText.at(at + 1).unicode()) {
            case 'a':
                value = &author;
                break;
            case 's':
                value = &name;
                break;
            case 'n':
                value = &values.number;
                break;
            case 'd':
                value = &values.duration;
                break;
            case 'b':
                value = &bitRate;
                break;
            case 'f':
                value = &libraryLine;
                break;
            default:
                break;
            }
        }
        if (value) {
            text += *value;
            ++at;
        } else {
            text += c;
        }
    }
    return text;
}
