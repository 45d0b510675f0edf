#pragma once

#include <QList>
#include <QString>

class CommandHost;

// The handler of every chat line the scanner reports. Lines said under the user's own screen
// name are commands; all others are ignored. It learns the screen name from the first line it
// sees if that line carries the program's own tag.
//
// Runs on the user-interface thread inside the scanner's tick; it never waits for the user (the
// picker is modeless).
class CommandInterpreter {
public:
    // The screen-name label's text before a name is set, and after the learning window closed.
    static QString initialScreenName();
    static QString closedScreenName();

    explicit CommandInterpreter(CommandHost &host);

    // One reported chat line. `whosaid` and `whatsaid` may be changed in place; `datesaid` is
    // not used.
    void chat1_aimchatscan(QString &whosaid, QString &whatsaid, QString &datesaid);

    // The entry the r command would start for `search` (a random one among those whose folded
    // display line contains it), or -1 when the draw fails. `found` tells whether any entry
    // matched.
    int drawAmong(const QString &search, bool *found = nullptr);

    // The candidates of the r command in progress, as library rows. Always empty between lines.
    const QList<int> &randomPool() const { return RandomPool; }

private:
    // The 1-based entry number that `text` spells in plain decimal digits, or 0.
    static int entryNumber(const QString &text);
    // Returns true when the line was a p command.
    bool searchAndPick(const QString &whatsaid);
    // Returns true when the line was an r command.
    bool randomAmongMatches(const QString &whatsaid);
    void wordCommand(const QString &whatsaid);

    CommandHost &m_host;
    // Rows rather than path lines: a file name may hold "|", so the full path is asked of the
    // library by row and never cut out of a path line.
    QList<int> RandomPool;
};
