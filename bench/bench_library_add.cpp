// Adds 32,000 generated files to the library and prints how fast the refusal test runs with the
// index and with a plain search through every path line. Figures only; nothing here can fail.

#include "library/Library.h"
#include "library/SubstringIndex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

namespace {

using Adds = std::vector<std::pair<QString, QString>>; // file name, folder

enum class Names { Varied, FewWords, Short };

const char *const kWords[] = {"love",   "night", "blue",  "river", "fire",  "dance", "home",
                              "summer", "dream", "light", "road",  "heart", "rain",  "gold",
                              "city",   "stone", "wild",  "moon",  "time",  "shadow"};
const char *const kSyllables[] = {"ka",  "lo",  "mi", "ren", "sa",  "to",  "vel", "dor",
                                  "an",  "bri", "cu", "en",  "fa",  "gil", "ho",  "ir",
                                  "jun", "ke",  "lu", "mar", "no",  "pe",  "qui", "ro",
                                  "sun", "ta",  "ul", "vo",  "wen", "xa",  "yo",  "zel"};

QString capitalized(QString word) {
    word[0] = word[0].toUpper();
    return word;
}

QString words(QRandomGenerator &random, int count, bool few) {
    QStringList parts;
    for (int i = 0; i < count; ++i) {
        if (few) {
            parts << capitalized(
                QString::fromLatin1(kWords[random.bounded(int(std::size(kWords)))]));
            continue;
        }
        QString word;
        for (int s = 2 + random.bounded(2); s > 0; --s)
            word += QString::fromLatin1(kSyllables[random.bounded(int(std::size(kSyllables)))]);
        parts << capitalized(word);
    }
    return parts.join(QLatin1Char(' '));
}

// `files` names in folders of 100, about 1% of them repeating a name from an earlier folder.
// Varied: "NN Artist - Title.mp3" from made-up words, as a real library's names are, and one
// in ten just "NN Title.mp3". FewWords:
// the same from 20 words, so that names share most of their text and the index finds many
// candidates to confirm. Short: unique names under 8 units, as in folders of numbered tracks.
Adds makeAdds(int files, Names names) {
    QRandomGenerator random(20240611);
    Adds adds;
    adds.reserve(size_t(files));
    for (int i = 0; i < files; ++i) {
        const QString folder = QStringLiteral("/home/user/Music/Artist %1/Album %2")
                                   .arg(i / 100 / 4, 3, 10, QLatin1Char('0'))
                                   .arg(i / 100, 3, 10, QLatin1Char('0'));
        QString file;
        if (i > 200 && random.bounded(100) == 0) {
            file = adds[size_t(random.bounded(i))].first;
        } else if (names == Names::Short) {
            file = QString::number(i, 36) + QStringLiteral(".mp3");
        } else if (names == Names::Varied && random.bounded(10) == 0) {
            // Now and then a short title alone, as "07 Intro.mp3".
            file = QStringLiteral("%1 %2.mp3")
                       .arg(i % 100 + 1, 2, 10, QLatin1Char('0'))
                       .arg(words(random, 1, false));
        } else {
            const bool few = names == Names::FewWords;
            file = QStringLiteral("%1 %2 - %3.%4")
                       .arg(i % 100 + 1, 2, 10, QLatin1Char('0'))
                       .arg(words(random, 2, few), words(random, 1 + random.bounded(3), few),
                            random.bounded(4) == 0 ? QStringLiteral("wma") : QStringLiteral("mp3"));
        }
        adds.emplace_back(file, folder);
    }
    return adds;
}

// The machine is shared with other work, so the thread's own CPU time is printed beside the
// wall time: it is the steadier of the two.
double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Stopwatch {
    QElapsedTimer wall;
    double cpuStart = cpuSeconds();
    Stopwatch() { wall.start(); }
};

void report(const char *what, int adds, const Stopwatch &watch, int added) {
    const double wall = double(watch.wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - watch.cpuStart;
    std::printf("  %-34s %9.0f adds/s (cpu %9.0f)  %7.3f s wall %7.3f s cpu  %d added\n", what,
                adds / wall, adds / cpu, wall, cpu, added);
}

void runLibrary(const Adds &adds, bool batch) {
    Library library;
    const Stopwatch watch;
    if (batch)
        library.beginBatch();
    for (const auto &[file, folder] : adds)
        library.AddIt(file, folder);
    if (batch)
        library.endBatch();
    report(batch ? "Library::AddIt, one batch" : "Library::AddIt, one by one", int(adds.size()),
           watch, library.count());
    if (batch)
        std::printf("  %-44s %9.1f MB (%.0f bytes per entry)\n", "library memory (entries, texts)",
                    double(library.memoryBytes()) / 1e6,
                    double(library.memoryBytes()) / std::max(1, library.count()));
}

// The refusal test alone, the way AddIt runs it: ask, then add the path line if absent.
void runRefusal(const Adds &adds, bool indexed) {
    SubstringIndex index;
    int added = 0;
    const Stopwatch watch;
    for (const auto &[file, folder] : adds) {
        const bool found = indexed ? index.contains(file) : index.containsPlain(file);
        if (!found) {
            index.add(file + QLatin1Char('|') + folder + QLatin1Char('/') + file);
            ++added;
        }
    }
    report(indexed ? "refusal test, index" : "refusal test, plain search", int(adds.size()), watch,
           added);
    if (indexed)
        std::printf("  %-44s %9.1f MB\n", "index memory", double(index.memoryBytes()) / 1e6);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const bool skipPlain = app.arguments().contains(QStringLiteral("--no-plain"));
    constexpr int kAdds = 32000;
    const std::pair<Names, const char *> kinds[] = {
        {Names::Varied, "varied names (made-up words)"},
        {Names::FewWords, "names from 20 words (many shared grams)"},
        {Names::Short, "short names (under 8 units)"}};
    for (const auto &[names, title] : kinds) {
        const Adds adds = makeAdds(kAdds, names);
        std::printf("%d adds, %s:\n", kAdds, title);
        runRefusal(adds, true);
        if (!skipPlain)
            runRefusal(adds, false);
        runLibrary(adds, true);
        runLibrary(adds, false);
        std::fflush(stdout);
    }
    return 0;
}
