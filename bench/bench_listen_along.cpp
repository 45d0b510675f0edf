// What listening along costs the player: its CPU while it plays without a stream and while it
// streams to 0, 1, 8 and 32 listeners, in one run; its memory with 32 listeners; and the delay
// from starting a new item to the listener hearing it. The real main window and libmpv (null
// output), the real stream, ffmpeg as the listener that times the new items; the 32 listeners
// that only take the bytes are a child process, so that their work is not counted as ours.
//   bench_listen_along [SECONDS per phase, default 15] [ITEMS, default 20]
#include "BenchFigures.h"
#include "app/MainWindow.h"
#include "library/Library.h"
#include "player/MediaPlayer.h"
#include "session/Session.h"
#include "session/StreamFollower.h"
#include "stream/StreamService.h"
#include "support/TestEnv.h"
#include "support/TestPlatform.h"
#include "support/ToneListener.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The child: `count` listeners on `port` that take every byte and keep none.
int runListeners(int count, quint16 port) {
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket *raw = socket.get();
        QObject::connect(raw, &QTcpSocket::readyRead, raw, [raw] { raw->readAll(); });
        QObject::connect(raw, &QTcpSocket::disconnected, qApp,
                         [] { std::fprintf(stderr, "a listener was dropped\n"); });
        raw->connectToHost(QHostAddress::LocalHost, port);
        raw->write("GET / HTTP/1.0\r\n\r\n");
        sockets.push_back(std::move(socket));
    }
    return QCoreApplication::exec();
}

// Plays the first song from its start (each song lasts longer than a phase), runs the event loop
// for `seconds` and gives the CPU used meanwhile, in percent of one core.
double measure(MainWindow &window, int seconds) {
    window.session().startEntry(0);
    if (!QTest::qWaitFor([&] { return window.session().player().currentPosition() > 0; }, 10000))
        std::fprintf(stderr, "the song did not start\n");
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    return 100.0 * (cpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9);
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--listeners") == 0) {
        QCoreApplication child(argc, argv);
        return runListeners(atoi(argv[2]), quint16(atoi(argv[3])));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const int items = argc > 2 ? std::max(2, atoi(argv[2])) : 20;

    QTemporaryDir music;
    for (const char *name : {"tone400.mp3", "tone700.mp3"}) {
        if (!QFile::copy(testenv::media(QString::fromLatin1(name)),
                         music.filePath(QString::fromLatin1(name)))) {
            std::fprintf(stderr, "test media missing: build the tests first\n");
            return 1;
        }
    }
    TestPlatform platform(TestPlatform::Engine::Mpv);
    StreamService stream;
    platform.platform().stream = &stream;
    platform.writeSettings("xdir" + music.path().toUtf8() + "\r\n");
    auto *window = new MainWindow(platform.platform());
    window->runLoadSequence();
    if (window->session().songs().count() != 2 || !testenv::warmUpEngine(*window)) {
        std::fprintf(stderr, "the player does not play the test media\n");
        return 1;
    }
    StreamSettings settings;
    settings.setListen(QString::number(testenv::freePort()));
    settings.setMaxListeners(QStringLiteral("40"));
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(settings.listenPort);

    std::printf("The player's CPU, in percent of one core, over %d s each (2 cores here):\n",
                seconds);
    std::printf("  playing, no stream          %6.2f %%\n", measure(*window, seconds));
    const long before = residentKb();
    window->session().stream().setGiven(settings);
    window->session().stream().restore();
    std::printf("  streaming, no listener      %6.2f %%\n", measure(*window, seconds));
    long with32 = 0;
    for (int count : {1, 8, 32}) {
        QProcess listeners;
        listeners.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        listeners.start(
            QCoreApplication::applicationFilePath(),
            {"--listeners", QString::number(count), QString::number(settings.listenPort)});
        listeners.waitForStarted();
        QTest::qWait(1000);
        std::printf("  streaming to %2d listener%s  %6.2f %%\n", count, count == 1 ? " " : "s",
                    measure(*window, seconds));
        if (count == 32)
            with32 = residentKb();
        listeners.kill();
        listeners.waitForFinished();
    }
    std::printf("The player's memory (resident): %ld KiB playing without a stream, %ld KiB "
                "streaming to 32 listeners (+%ld KiB)\n",
                before, with32, with32 - before);

    // Alternate the two songs; time each until the listener hears its pitch.
    ToneListener listener(url);
    if (!listener.hears(400, 15000)) {
        std::fprintf(stderr, "the listener hears nothing: %s\n", qPrintable(listener.errors()));
        return 1;
    }
    std::vector<double> delays;
    for (int i = 0; i < items; ++i) {
        const int row = (i + 1) % 2;
        const double pitch = row == 0 ? 400 : 700;
        QTest::qWait(1500); // some of the song before the next one
        QElapsedTimer since;
        since.start();
        window->session().startEntry(row);
        if (!QTest::qWaitFor([&] { return ToneListener::isTone(listener.latest(0.1), pitch); },
                             10000)) {
            std::fprintf(stderr, "item %d was never heard\n", i);
            continue;
        }
        delays.push_back(double(since.nsecsElapsed()) / 1e6);
    }
    if (!delays.empty())
        std::printf("From starting a new item to the listener hearing it (%zu items): median "
                    "%.0f ms, p95 %.0f ms, min %.0f, max %.0f\n",
                    delays.size(), percentile(delays, 0.5), percentile(delays, 0.95),
                    percentile(delays, 0), percentile(delays, 1));
    window->close();
    return 0;
}
