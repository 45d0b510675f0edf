// How long from a command line appearing in the chat room's transcript to the player's position
// starting to advance, over many commands, with the real room (on its own thread, as another
// process would be), the real scanner and interpreter, and real libmpv with the null output.
#include "BenchFigures.h"
#include "app/MainWindow.h"
#include "library/Library.h"
#include "platform/ChatRoomClient.h"
#include "player/MediaPlayer.h"
#include "session/Session.h"
#include "support/TestChatRoom.h"
#include "support/TestEnv.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Milliseconds from the moment the line is in the transcript.
struct Sample {
    double seen;     // the interpreter has set the file
    double advanced; // the position moves
    double reported; // the player reports the new item (its caption can change)
};

void report(const char *what, const std::vector<double> &values) {
    std::printf("  %-36s median %7.1f ms   p95 %7.1f ms   min %7.1f   max %7.1f\n", what,
                percentile(values, 0.5), percentile(values, 0.95), percentile(values, 0.0),
                percentile(values, 1.0));
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int commands = argc > 1 ? std::max(1, atoi(argv[1])) : 60;

    QTemporaryDir music;
    const char *sources[] = {"tagged.mp3", "long.mp3", "untagged.mp3", "titleonly.mp3",
                             "tagged.wma"};
    for (int i = 0; i < 5; ++i) {
        const QString name = QStringLiteral("%1-%2").arg(i).arg(QString::fromLatin1(sources[i]));
        if (!QFile::copy(testenv::media(QString::fromLatin1(sources[i])), music.filePath(name))) {
            std::fprintf(stderr, "test media missing: build the tests first\n");
            return 1;
        }
    }

    TestChatRoom room;
    room.setUserName(QStringLiteral("Bench User"));
    room.setClock([n = 0]() mutable { return QTime(10, 0, 0).addSecs(n++); });
    TestPlatform platform(TestPlatform::Engine::Mpv);
    ChatRoomClient client(room.socketPath());
    platform.platform().chatWindow = &client;
    platform.writeSettings("xdir" + music.path().toUtf8() + "\r\n");

    auto *window = new MainWindow(platform.platform());
    window->runLoadSequence();
    platform.dialogs.inputAnswer = QStringLiteral("Bench User");
    window->labSN_Click();
    MediaPlayer &player = window->session().player();

    std::vector<Sample> samples;
    int lost = 0;
    for (int i = 0; i < commands; ++i) {
        // Entries 1 to 3 can be chosen by number in a library of five.
        const int number = i % 3 + 1;
        const QString expected = window->session().songs().fullPath(number - 1);
        // A lone command, as typed into a quiet room: the player's announcement of the last one
        // is out and went into the transcript a hold ago (a line right after another waits for
        // the hold). Then a random phase against the scanner's 500 ms poll, as real typing has.
        const QTimer *check = window->findChild<QTimer *>("Timer1");
        if (!QTest::qWaitFor([&] { return !check->isActive() && room.linesWaiting() == 0; }, 5000))
            std::fprintf(stderr, "the room never went quiet\n");
        QTest::qWait(int(LinePacer::hold.count()) + int(QRandomGenerator::global()->bounded(500)));

        room.sayAsUser(QString::number(number));
        QElapsedTimer clock;
        clock.start();
        double seen = -1, advanced = -1, reported = -1;
        while (clock.elapsed() < 5000 && (advanced < 0 || reported < 0)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const double now = double(clock.nsecsElapsed()) / 1e6;
            if (seen < 0 && player.URL() == expected)
                seen = now;
            if (seen >= 0 && advanced < 0 && player.currentPosition() > 0)
                advanced = now;
            if (seen >= 0 && reported < 0 && player.currentMedia())
                reported = now;
        }
        if (advanced < 0 || reported < 0) {
            ++lost;
            continue;
        }
        samples.push_back({seen, advanced, reported});
    }

    std::vector<double> total, seen, loading, reported;
    for (const Sample &s : samples) {
        total.push_back(s.advanced);
        seen.push_back(s.seen);
        loading.push_back(s.advanced - s.seen);
        reported.push_back(s.reported);
    }
    std::printf("chat command to playback, %zu commands (%d lost)\n", samples.size(), lost);
    if (!samples.empty()) {
        report("line in transcript -> position moves", total);
        report("  of which: until the scanner polls", seen);
        report("  of which: file set -> position moves", loading);
        report("line in transcript -> item reported", reported);
    }
    window->close();
    QCoreApplication::processEvents();
    return 0;
}
