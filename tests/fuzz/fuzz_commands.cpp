// The command interpreter on arbitrary chat lines against a small library, with the picker and
// the player faked. The input is lines "speaker<TAB>text" (a line without a tab is said by "Me");
// its first byte picks what the faked random draw returns.
#include "FuzzInput.h"

#include "commands/CommandInterpreter.h"
#include "library/Fold.h"
#include "library/Library.h"
#include "support/FakeCommandHost.h"

namespace {

// What the interpreter may do in answer to a line that is not the user's own.
bool isLearning(const QString &call) {
    return call.startsWith(QLatin1String("setScreenName:")) ||
           call.startsWith(QLatin1String("sendChat:found username: "));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    FakeCommandHost host;
    host.addFiles(FakeCommandHost::sampleSongs());
    const int rows = host.library().count();
    // Draws inside and outside the range the interpreter asks for.
    const int offset = static_cast<int8_t>(data[0]) % 4;
    host.randomFunction = [offset](int highest, int lowest) {
        FUZZ_CHECK(lowest == 1 && highest >= 1);
        return offset < 0 ? lowest + offset + 1 : highest + offset - 1;
    };
    CommandInterpreter interpreter(host);

    const QList<QByteArray> lines = fuzz::bytes(data + 1, size - 1).split('\n');
    for (const QByteArray &bytes : lines) {
        const qsizetype tab = bytes.indexOf('\t');
        QString whosaid = QString::fromUtf8(tab < 0 ? QByteArray("Me") : bytes.left(tab));
        QString whatsaid = QString::fromUtf8(tab < 0 ? bytes : bytes.mid(tab + 1));
        QString datesaid = QStringLiteral("{12:00:00}");
        const QString nameBefore = host.labSN;
        const QString folded = fold(QString(whosaid).remove(QChar(13)));
        const qsizetype callsBefore = host.calls.size();

        interpreter.chat1_aimchatscan(whosaid, whatsaid, datesaid);

        FUZZ_CHECK(interpreter.randomPool().isEmpty());
        const QStringList calls = host.calls.mid(callsBefore);
        // Bounded work: at most one picker line per entry and a handful of other actions.
        FUZZ_CHECK(calls.size() <= rows + 8);
        // Once the name is set, only that name is obeyed and nobody else changes it.
        if (nameBefore != CommandInterpreter::initialScreenName()) {
            FUZZ_CHECK(host.labSN == nameBefore);
            if (folded != nameBefore)
                FUZZ_CHECK(calls.isEmpty());
        } else {
            FUZZ_CHECK(host.labSN != CommandInterpreter::initialScreenName());
            if (folded != host.labSN) {
                for (const QString &call : calls)
                    FUZZ_CHECK(isLearning(call));
            }
        }
        int played = 0;
        for (const QString &call : calls) {
            if (call.startsWith(QLatin1String("startEntry:"))) {
                const int row = call.mid(11).toInt();
                FUZZ_CHECK(row >= 0 && row < rows);
                ++played;
            }
            if (call.startsWith(QLatin1String("playFile:")))
                ++played;
            if (call == QLatin1String("pickerShow"))
                FUZZ_CHECK(host.pickerLoaded);
        }
        FUZZ_CHECK(played <= 2);
        // A shown picker lists only entries of the library.
        for (const QString &entry : host.pickerEntries) {
            bool found = false;
            for (int row = 0; row < rows && !found; ++row)
                found = host.library().displayLine(row) == entry;
            FUZZ_CHECK(found);
        }
    }
    return 0;
}
