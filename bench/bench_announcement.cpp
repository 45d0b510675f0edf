// The cost of composing one now-playing line for a hostile song: a title made of many "%f" codes
// whose library line repeats the title. Prints the time and the process's peak memory, which
// /usr/bin/time -v confirms from outside.
#include "player/Announcement.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char *argv[]) {
    const int repeats = argc > 1 ? std::max(0, std::atoi(argv[1])) : 20000;

    Announcement::Values values;
    values.author = QStringLiteral("Artist");
    values.name = QStringLiteral("%f").repeated(repeats);
    values.number = QStringLiteral("7");
    values.duration = QStringLiteral("3:05");
    values.bitRate = 128000;
    values.libraryLine = values.author + QStringLiteral(" - ") + values.name;
    const QString templateText =
        QStringLiteral("playing %s by %a, duration %d, number %n, bitrate %b, file %f");

    QElapsedTimer clock;
    clock.start();
    const QString text = Announcement::expand(templateText, values);
    const double ms = double(clock.nsecsElapsed()) / 1e6;

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("title of %d x \"%%f\": announcement of %lld characters in %.1f ms, "
                "peak memory %.1f MB\n",
                repeats, static_cast<long long>(text.size()), ms, double(usage.ru_maxrss) / 1024.0);
    return 0;
}
