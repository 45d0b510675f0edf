// The chat transcript routines and one chat scanner tick on transcripts anyone in the room can
// shape. The input is one or more transcripts separated by NUL bytes: the first is the baseline
// the scanner is switched on with, each further one is shown for one tick.
#include "FuzzInput.h"

#include "chat/AimChat.h"
#include "chat/ChatScanner.h"
#include "support/FakeChatWindow.h"

#include <QObject>

namespace {

struct Reported {
    QString whosaid;
    QString whatsaid;
    QString datesaid;
};

void checkTextRoutines(const QString &text) {
    const QString last = aimchat::GetLastLine(text);
    const qsizetype mark = text.lastIndexOf(QLatin1String("<br>"), -1, Qt::CaseInsensitive);
    if (mark < 0) {
        FUZZ_CHECK(last.isEmpty());
    } else {
        // From the last mark to the end, less the final character.
        FUZZ_CHECK(last == text.mid(mark, text.size() - mark - 1));
    }

    const QString plain = aimchat::StripTags(text);
    FUZZ_CHECK(!plain.contains(QLatin1Char('<')));
    FUZZ_CHECK(!plain.contains(QLatin1Char('>')));
    FUZZ_CHECK(plain.size() <= qMax<qsizetype>(0, text.size() - 1));
    // Text without markup loses only its final character.
    if (!text.contains(QLatin1Char('<')) && !text.contains(QLatin1Char('>')))
        FUZZ_CHECK(plain == text.left(text.size() - 1));
}

// Letters, digits and spaces only, so that the line survives tag stripping and the colon split.
QString plainWords(const QString &text, bool allowColon) {
    QString out;
    for (QChar c : text) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || (allowColon && c == QLatin1Char(':')))
            out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QList<QByteArray> parts = fuzz::bytes(data, size).split('\0');

    FakeChatWindow window;
    bool sends = false;
    ChatScanner scanner(window, [&] { return sends; });
    QList<Reported> reports;
    QObject::connect(&scanner, &ChatScanner::aimchatscan,
                     [&](QString &who, QString &what, QString &date) {
                         reports.append({who, what, date});
                     });

    window.html = QString::fromUtf8(parts.first());
    checkTextRoutines(window.html);
    scanner.scan_on();
    FUZZ_CHECK(scanner.fyrsttalk() == window.html.right(aimchat::kTailLength));
    scanner.scan_off();

    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString text = QString::fromUtf8(parts.at(i));
        checkTextRoutines(text);
        const QString before = scanner.oldlastlyne();
        const qsizetype reportsBefore = reports.size();
        window.html = text;
        scanner.tick();
        FUZZ_CHECK(reports.size() - reportsBefore <= 1);
        if (reports.size() > reportsBefore) {
            const Reported &r = reports.last();
            // A line is reported once, and never with markup left in it.
            FUZZ_CHECK(scanner.oldlastlyne() != before);
            for (const QString *s : {&r.whosaid, &r.whatsaid}) {
                FUZZ_CHECK(!s->contains(QLatin1Char('<')));
                FUZZ_CHECK(!s->contains(QLatin1Char('>')));
            }
            FUZZ_CHECK(!r.whosaid.contains(QLatin1Char(':')));
            FUZZ_CHECK(r.datesaid.startsWith(QLatin1Char('{')) &&
                       r.datesaid.endsWith(QLatin1Char('}')));
        }

        // A line the room writes itself, under a name and with text made of this part, is read
        // back as it was said, whatever came before it.
        const QString speaker = plainWords(text, false).trimmed().left(40);
        const QString said = plainWords(text, true).left(200);
        if (speaker.isEmpty())
            continue;
        const QString oldLine = scanner.oldlastlyne();
        window.say(speaker, said, QStringLiteral("01:02:03"));
        const QString tail = window.html.right(aimchat::kTailLength);
        const qsizetype reportsBeforeLine = reports.size();
        scanner.tick();
        if (tail != scanner.fyrsttalk() && aimchat::GetLastLine(tail) != oldLine) {
            FUZZ_CHECK(reports.size() == reportsBeforeLine + 1);
            FUZZ_CHECK(reports.last().whosaid == speaker);
            FUZZ_CHECK(reports.last().whatsaid == said);
            FUZZ_CHECK(reports.last().datesaid == QLatin1String("{01:02:03}"));
        }
    }

    // What the scanner says goes into the input box and is sent only while Chat Sends is on.
    const QString reply = QString::fromUtf8(parts.last());
    scanner.SendChat(reply);
    FUZZ_CHECK(window.sent.isEmpty());
    sends = true;
    scanner.SendChat(reply);
    FUZZ_CHECK(window.sent.size() == (reply.isEmpty() ? 0 : 1));
    return 0;
}
