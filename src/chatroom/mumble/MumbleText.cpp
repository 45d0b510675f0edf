#include "chatroom/mumble/MumbleText.h"

#include "chatroom/irc/IrcText.h"

#include <QTextBoundaryFinder>

QString MumbleText::toPlain(const QString &html) {
    QString text = irctext::stripFormatting(irctext::fromHtml(html).join(QLatin1Char(' ')));
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return text;
}

QStringList MumbleText::split(const QString &html, qsizetype maxLength) {
    if (maxLength <= 0 || html.size() <= maxLength)
        return {html};
    // The atoms no piece may cut: a tag, an entity, a grapheme cluster.
    QStringList pieces;
    QString piece;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, html);
    for (qsizetype at = 0; at < html.size();) {
        qsizetype end = -1;
        if (html.at(at) == QLatin1Char('<')) {
            end = html.indexOf(QLatin1Char('>'), at);
            end = end < 0 ? html.size() : end + 1;
        } else if (html.at(at) == QLatin1Char('&')) {
            const qsizetype semicolon = html.indexOf(QLatin1Char(';'), at);
            if (semicolon > at && semicolon - at <= 10)
                end = semicolon + 1;
        }
        if (end < 0) {
            graphemes.setPosition(at);
            end = graphemes.toNextBoundary();
            // A boundary inside a surrogate pair would split one character in two.
            while (end > 0 && end < html.size() && html.at(end).isLowSurrogate())
                end = graphemes.toNextBoundary();
            if (end <= at)
                end = html.size();
        }
        if (!piece.isEmpty() && piece.size() + (end - at) > maxLength)
            pieces += std::exchange(piece, QString());
        piece += html.mid(at, end - at);
        at = end;
    }
    if (!piece.isEmpty())
        pieces += piece;
    return pieces;
}
