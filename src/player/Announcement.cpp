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
    QString text = templateText;
    text.replace(QLatin1String("%a"), escapeHtml(values.author));
    text.replace(QLatin1String("%s"), escapeHtml(values.name));
    text.replace(QLatin1String("%n"), values.number);
    text.replace(QLatin1String("%d"), values.duration);
    text.replace(QLatin1String("%b"), QString::number(values.bitRate));
    text.replace(QLatin1String("%f"), escapeHtml(values.libraryLine));
    return text;
}
