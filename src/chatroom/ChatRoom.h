#pragma once

#include "chatroom/LinePacer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTime>
#include <functional>

// The state of one chat room: its transcript (an HTML fragment of lines), the content of its
// input box and the screen name of the room's own user. Widgets and the protocol server both
// work on it; it has no widgets itself, so it can live on a worker thread in tests.
//
// The transcript is kept as the UTF-8 bytes that the protocol carries, so that a transcript
// replaced over the link reads back byte for byte. Lines reach it through the room's pacer (see
// LinePacer), and only the newest lines are kept: the player reads the tail alone, and a
// transcript that grew for weeks would take longer to send than the player waits for an answer.
class ChatRoom : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QTime()>;
    // Takes a line of the room's own user somewhere else instead of appending it (the room is
    // then the local face of a network chat, which shows the line when it has gone out). Returns
    // an empty string when taken, otherwise why not.
    using Outlet = std::function<QString(const QString &html)>;

    // The longest text of one line, in UTF-8 bytes as it goes into the transcript (typed text
    // escaped). Longer lines are refused: they take long to lay out on screen, and the room
    // must keep answering the player within its time budget.
    static constexpr qsizetype maxLineBytes = 16384;
    // What the transcript keeps, whichever is reached first; at the bound a GET still takes
    // milliseconds.
    static constexpr int maxTranscriptLines = 5000;
    static constexpr qsizetype maxTranscriptBytes = 1 << 20;

    // Starts with the login name of the account that runs the program as the user's name.
    explicit ChatRoom(QObject *parent = nullptr);
    explicit ChatRoom(const QString &userName, QObject *parent = nullptr);

    QString transcript() const;
    QByteArray transcriptUtf8() const { return m_transcript; }
    void setTranscript(const QString &html);
    void setTranscriptUtf8(const QByteArray &html);

    QString input() const { return m_input; }
    // Content put into the input box over the link: it is HTML and is sent as it stands.
    void setInput(const QString &html);
    // Content typed into the input box by hand: it is plain text and is escaped when sent.
    void typeInput(const QString &text);

    QString userName() const { return m_userName; }
    void setUserName(const QString &name);

    // Presses send: a non-empty input box becomes one line of the room's own user and the box
    // is emptied. An empty box does nothing. False when the line is over maxLineBytes: it is
    // refused (see lineRefused) and the box keeps its content. With an outlet the line goes
    // there; when the outlet or the pacer refuses it, lineRefused says why and the box keeps its
    // content, but the result is true: the line was not too long.
    bool send();
    // A line typed by hand by the room's own user or by another member; false when refused.
    bool sayAsUser(const QString &text);
    bool say(const QString &speaker, const QString &text);
    // Offers one line whose text is already HTML to the transcript, stamped with the time it
    // was said; false when refused.
    bool appendLine(const QString &speaker, const QString &html,
                    LinePacer::Origin origin = LinePacer::Origin::Other);
    LinePacer &pacer() { return m_pacer; }

    // From now on the lines of the room's own user go to `outlet`; none: they are appended.
    void setOutlet(Outlet outlet);

    // Where the time stamps come from; local wall-clock time unless replaced.
    void setClock(Clock clock);

    // One transcript line exactly as the protocol shapes it.
    static QString formatLine(const QString &speaker, const QString &html, const QTime &time);
    // Writes &, < and > as character entities (and nothing else: quotes stay as they are).
    static QString escape(const QString &text);
    // The login name of the account that runs this process.
    static QString loginName();

signals:
    // The whole transcript was replaced.
    void transcriptReplaced();
    // One line, exactly as the transcript now ends with it, was appended.
    void lineAppended(const QString &line);
    // A line that is shown but was not passed on to the transcript.
    void lineNotPassedOn(const QString &line);
    // A line was not appended (too long, or too many waiting) or, once per burst, lines of
    // others are only shown because too many wait; the text says so in a sentence.
    void lineRefused(const QString &reason);
    void inputChanged(const QString &text);
    void userNameChanged(const QString &name);

private:
    // True when the line fits; otherwise lineRefused says why.
    bool refuseIfTooLong(const QString &html);
    // What became of a line offered to the outlet.
    enum class Offer { TooLong, Refused, Taken };
    Offer offerToOutlet(const QString &html);
    bool sendToOutlet(const QString &html);
    void putIn(const QString &line);
    void keepNewestLines();

    QByteArray m_transcript;
    int m_lineCount = 0;
    QString m_input;
    bool m_inputTyped = false;
    QString m_userName;
    Clock m_clock;
    Outlet m_outlet;
    LinePacer m_pacer;
};
