// What the room's voice in a Mumble channel costs and how close to the player it runs: a real
// murmurd, the real chatroom program with --voice (and no window), the real player (libmpv with
// the null output) streaming what it plays, and a Mumble client of ours that decodes the voice it
// hears and tells the songs (each a tone of its own) by their pitch. Prints the time from the
// player starting a new song to that song in the channel's voice, the room's CPU while it speaks,
// and the room's memory over the run.
//   bench_mumble_voice [ITEMS, default 20] [MINUTES of voice for CPU and memory, default 2]
#include "BenchFigures.h"
#include "app/MainWindow.h"
#include "library/Library.h"
#include "session/Session.h"
#include "session/StreamFollower.h"
#include "stream/StreamService.h"
#include "support/MumbleTestClient.h"
#include "support/TestEnv.h"
#include "support/TestNetwork.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

int fail(const char *why) {
    std::fprintf(stderr, "bench_mumble_voice: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int items = argc > 1 ? std::max(2, atoi(argv[1])) : 20;
    const int minutes = argc > 2 ? std::max(1, atoi(argv[2])) : 2;
    TestNetwork network(TestNetwork::Kind::Mumble);
    if (!network.missing().isEmpty())
        return fail(qPrintable(network.missing()));
    QTemporaryDir folder;
    for (const char *name : {"tone400.mp3", "tone700.mp3"}) {
        if (!QFile::copy(testenv::media(QString::fromLatin1(name)),
                         folder.filePath(QString::fromLatin1(name))))
            return fail("test media missing: build the tests first");
    }
    if (!network.start())
        return fail(qPrintable(network.errorString()));
    const std::unique_ptr<ChatMember> member = network.enter("alice", "alice");
    auto *listener = static_cast<MumbleTestClient *>(member.get());
    if (!listener)
        return fail("the listener could not join");

    StreamService stream;
    StreamSettings settings;
    settings.setListen(QString::number(testenv::freePort()));
    if (!stream.start(settings, {}))
        return fail("the stream does not start");
    // The room as a user starts it on a server: no window, the real pacing.
    QStringList arguments = network.roomArguments("zandoramp", folder.path());
    arguments.remove(arguments.indexOf("--pace"), 2);
    QProcess room;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    room.setProcessEnvironment(environment);
    room.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    room.start(
        testenv::binaryDir() + "/chatroom",
        QStringList{"--no-window", "--socket", folder.filePath("room"), "--voice", stream.url()} +
            arguments);
    if (!member->sees("zandoramp"))
        return fail("the room did not join");

    TestPlatform platform(TestPlatform::Engine::Mpv);
    platform.platform().stream = &stream;
    platform.writeSettings("xdir" + folder.path().toUtf8() + "\r\n");
    auto *window = new MainWindow(platform.platform());
    window->session().stream().setGiven(settings);
    window->runLoadSequence();
    if (window->session().songs().count() != 2 || !testenv::warmUpEngine(*window))
        return fail("the player does not play the test media");

    // The two songs in turn, each from its start; each timed until the channel carries it.
    std::vector<double> delays;
    for (int i = 0; i < items; ++i) {
        const int row = i % 2;
        const double pitch = row == 0 ? 400 : 700;
        QTest::qWait(2000); // some of the song before the next one
        QElapsedTimer since;
        since.start();
        window->session().startEntry(row);
        if (!QTest::qWaitFor([&] { return ToneListener::isTone(listener->latest(0.1), pitch); },
                             10000)) {
            std::fprintf(stderr, "item %d was never heard\n", i);
            continue;
        }
        delays.push_back(double(since.nsecsElapsed()) / 1e6);
    }
    if (!delays.empty())
        std::printf("From the player starting a new song to the song in the channel's voice "
                    "(%zu songs): median %.0f ms, p95 %.0f ms, min %.0f, max %.0f\n",
                    delays.size(), percentile(delays, 0.5), percentile(delays, 0.95),
                    percentile(delays, 0), percentile(delays, 1));

    // Minutes of voice, a new song every 30 s; CPU and memory of the room meanwhile.
    const qint64 pid = room.processId();
    std::printf("The room's resident memory while it speaks (KiB), each minute:");
    const double heardBefore = listener->heard();
    const double cpuBefore = processCpuSeconds(pid);
    QElapsedTimer wall;
    wall.start();
    for (int half = 0; half < minutes * 2; ++half) {
        window->session().startEntry(half % 2);
        QTest::qWait(30000);
        if (half % 2 == 1) {
            std::printf(" %ld", residentKb(pid));
            std::fflush(stdout);
        }
    }
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    std::printf("\nThe room's CPU while it speaks: %.2f %% of one core over %.0f s (the channel "
                "heard %.0f s of it)\n",
                100.0 * (processCpuSeconds(pid) - cpuBefore) / seconds, seconds,
                listener->heard() - heardBefore);
    window->close();
    QCoreApplication::processEvents();
    room.terminate();
    room.waitForFinished(5000);
    return 0;
}
