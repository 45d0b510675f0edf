#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QTextBrowser>

// The transcript on screen, kept short so that showing it stays cheap however long the room's
// transcript grows: each line is one block of the document, new lines are added at the end
// without laying out the others again, and past maxShownLines the oldest blocks scroll away. A
// line longer than maxShownLineBytes is named instead of shown, because laying out one huge
// paragraph takes seconds. Only the view is cut; the room keeps its transcript whole.
class TranscriptView : public QTextBrowser {
    Q_OBJECT
public:
    static constexpr int maxShownLines = 500;
    // Well above the longest line the room itself accepts.
    static constexpr qsizetype maxShownLineBytes = 32768;

    explicit TranscriptView(QWidget *parent = nullptr);

    // Shows a whole transcript afresh, given as the UTF-8 bytes the room keeps: its last
    // maxShownLines lines.
    void showTranscript(const QByteArray &utf8);
    // Adds one line as the protocol shapes it (it starts with <BR>).
    void appendLine(const QString &line);
    // Adds one line that the player does not get, marked as such.
    void appendLineNotPassedOn(const QString &line);

private:
    void insertLine(QTextCursor &cursor, QByteArrayView utf8, bool newBlock);
    void scrollToEnd();
};
