#include "chatroom/TranscriptView.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

namespace {

constexpr qsizetype breakSize = 4;

// "<BR>" in any case at byte at: a line starts there. Plain ASCII, so safe to find in UTF-8.
bool isBreakAt(QByteArrayView utf8, qsizetype at) {
    return at >= 0 && at + breakSize <= utf8.size() && utf8[at] == '<' &&
           (utf8[at + 1] | 0x20) == 'b' && (utf8[at + 2] | 0x20) == 'r' && utf8[at + 3] == '>';
}

} // namespace

TranscriptView::TranscriptView(QWidget *parent) : QTextBrowser(parent) {
    // Links in chat lines must not navigate the view away from the transcript.
    setOpenLinks(false);
    // One block per line, plus the block that holds whatever comes before the first line.
    document()->setMaximumBlockCount(maxShownLines + 1);
}

void TranscriptView::showTranscript(const QByteArray &utf8) {
    // Lines start with <BR>; each becomes a block of its own, which renders the same break.
    // The search runs back from the end and only the lines shown are decoded, so a long
    // transcript costs no more than a short one. Markup that spans a <BR> in a replaced
    // transcript loses its effect after the break.
    std::vector<qsizetype> starts; // last line first
    for (qsizetype at = utf8.size() - breakSize; at >= 0 && int(starts.size()) < maxShownLines;
         --at) {
        if (isBreakAt(utf8, at))
            starts.push_back(at);
    }
    const bool whole = int(starts.size()) < maxShownLines;

    clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    const qsizetype firstStart = starts.empty() ? utf8.size() : starts.back();
    if (whole && firstStart > 0)
        insertLine(cursor, QByteArrayView(utf8).first(firstStart), false);
    for (size_t i = starts.size(); i-- > 0;) {
        const qsizetype end = i == 0 ? utf8.size() : starts[i - 1];
        insertLine(cursor, QByteArrayView(utf8).sliced(starts[i], end - starts[i]), true);
    }
    cursor.endEditBlock();
    scrollToEnd();
}

void TranscriptView::appendLine(const QString &line) {
    const QByteArray utf8 = line.toUtf8();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    insertLine(cursor, utf8, isBreakAt(utf8, 0));
    cursor.endEditBlock();
    scrollToEnd();
}

void TranscriptView::appendLineNotPassedOn(const QString &line) {
    // A mark in front rather than a colour alone: it reads the same however the line is coloured.
    const QString mark = QStringLiteral("<FONT COLOR=\"#909090\">") + tr("(not passed on)") +
                         QStringLiteral("</FONT> ");
    if (line.startsWith(QLatin1String("<BR>")))
        appendLine(line.left(breakSize) + mark + line.mid(breakSize));
    else
        appendLine(mark + line);
}

void TranscriptView::insertLine(QTextCursor &cursor, QByteArrayView utf8, bool newBlock) {
    if (newBlock) {
        cursor.insertBlock();
        utf8 = utf8.sliced(breakSize);
    }
    if (utf8.size() > maxShownLineBytes) {
        cursor.insertText(tr("[a line of %1 bytes, too long to show]").arg(utf8.size()));
        return;
    }
    if (!utf8.isEmpty())
        cursor.insertHtml(QString::fromUtf8(utf8));
}

void TranscriptView::scrollToEnd() {
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}
