// How long from a user's command (a library number) in a network's group chat to the player's
// "playing ..." line arriving back there, as the user's own client sees it: a real server (ngircd
// for IRC, prosody for XMPP, murmurd for Mumble), the real chatroom program with its real pacing,
// the real player (libmpv with the null output).
// Usage: bench_network_latency [irc|xmpp|mumble] [COMMANDS]
#include "BenchFigures.h"
#include "app/MainWindow.h"
#include "platform/ChatRoomClient.h"
#include "session/Session.h"
#include "support/ChatMember.h"
#include "support/TestEnv.h"
#include "support/TestNetwork.h"
#include "support/TestPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int fail(const char *why) {
    std::fprintf(stderr, "bench_network_latency: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray networkName = argc > 1 ? QByteArray(argv[1]) : QByteArray("irc");
    const bool xmpp = networkName == "xmpp";
    const int commands = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
    TestNetwork network(xmpp                      ? TestNetwork::Kind::Xmpp
                        : networkName == "mumble" ? TestNetwork::Kind::Mumble
                                                  : TestNetwork::Kind::Irc);
    if (!network.missing().isEmpty())
        return fail(qPrintable(network.missing()));

    QTemporaryDir folder;
    const char *sources[] = {"tagged.mp3", "long.mp3", "untagged.mp3", "titleonly.mp3",
                             "tagged.wma"};
    for (int i = 0; i < 5; ++i) {
        const QString name = QStringLiteral("%1-%2").arg(i).arg(QString::fromLatin1(sources[i]));
        if (!QFile::copy(testenv::media(QString::fromLatin1(sources[i])), folder.filePath(name)))
            return fail("test media missing: build the tests first");
    }

    if (!network.start())
        return fail(qPrintable(network.errorString()));
    const std::unique_ptr<ChatMember> user = network.enter("alice", "alice");
    if (!user)
        return fail("the user's client could not join");

    // The room as a user starts it: without --pace, so the real pacing applies.
    QStringList arguments = network.roomArguments("zandoramp", folder.path());
    arguments.remove(arguments.indexOf("--pace"), 2);
    const QString socket = folder.filePath("room");
    QProcess room;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // On Mumble the room keeps its certificate in its settings folder: not the user's.
    environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    room.setProcessEnvironment(environment);
    room.start(testenv::binaryDir() + "/chatroom", QStringList{"--socket", socket} + arguments);
    if (!user->sees("zandoramp"))
        return fail("the room did not join");

    TestPlatform platform(TestPlatform::Engine::Mpv);
    ChatRoomClient client(socket, 2000);
    platform.platform().chatWindow = &client;
    platform.writeSettings("xdir" + folder.path().toUtf8() + "\r\n");
    auto *window = new MainWindow(platform.platform());
    window->runLoadSequence();
    platform.dialogs.inputAnswer = QStringLiteral("alice");
    window->labSN_Click();
    if (!user->waitForText("zandoramp", network.isIrc() ? "\x02\x1Ft" : "trevik", 10000))
        return fail("no greeting in the channel");

    std::vector<double> samples;
    int lost = 0;
    for (int i = 0; i < commands; ++i) {
        // Past the room's pacing interval, and at a random phase against the player's 500 ms
        // poll, as a person typing would be.
        QTest::qWait(2100 + int(QRandomGenerator::global()->bounded(500)));
        user->forget();
        QElapsedTimer clock;
        clock.start();
        // Entries 1 to 3 in turn (the ones a number can choose in a library of five): a new
        // file every time, since the player announces only a change of song.
        user->say(QByteArray::number(i % 3 + 1));
        if (!user->waitForText("zandoramp", "playing ", 10000)) {
            ++lost;
            continue;
        }
        samples.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("%s command (a library number) to \"playing ...\" in the group chat, %zu "
                "commands (%d lost)\n",
                networkName.toUpper().constData(), samples.size(), lost);
    if (!samples.empty())
        std::printf("  median %7.1f ms   p95 %7.1f ms   min %7.1f   max %7.1f\n",
                    percentile(samples, 0.5), percentile(samples, 0.95), percentile(samples, 0.0),
                    percentile(samples, 1.0));
    window->close();
    QCoreApplication::processEvents();
    room.terminate();
    room.waitForFinished(5000);
    return 0;
}
