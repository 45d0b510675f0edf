// How long our chat room takes to answer while its window shows a long transcript and someone
// offers it one very long line. The room and its window run on the main thread, as in the real
// program; a client on another thread sends requests over the socket, each on a fresh connection
// as the player does, and times every answer. Prints the worst time per request kind.
// Usage: bench_room_answers [transcript lines] [long line bytes] [rounds]
#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "chatroom/ChatRoomWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

struct Answer {
    double ms = -1; // -1: no complete answer
    QByteArray verb;
};

// One request on a fresh connection, timed from the connect to the last byte of the answer.
Answer ask(const QString &path, const QByteArray &verb, const QByteArray &payload) {
    constexpr int patienceMs = 120000;
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(patienceMs))
        return {};
    socket.write(verb + ' ' + QByteArray::number(payload.size()) + '\n');
    socket.write(payload);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(patienceMs))
            return {};
    }
    QByteArray buffer;
    for (;;) {
        buffer += socket.readAll();
        const qsizetype end = buffer.indexOf('\n');
        if (end >= 0) {
            const QList<QByteArray> header = buffer.left(end).split(' ');
            if (buffer.size() >= end + 1 + header.value(1).toLongLong())
                return {double(clock.nsecsElapsed()) / 1e6, header.value(0)};
        }
        if (!socket.waitForReadyRead(patienceMs))
            return {};
    }
}

QByteArray lines(int count) {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += ChatRoom::formatLine(QStringLiteral("Member %1").arg(i % 7),
                                     QStringLiteral("line %1 of the old transcript").arg(i),
                                     QTime(12, 0))
                    .toUtf8();
    return text;
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lineCount = argc > 1 ? std::max(0, std::atoi(argv[1])) : 100000;
    const int longLine = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("room"));
    ChatRoom room(QStringLiteral("Bench"));
    room.setTranscriptUtf8(lines(lineCount));
    ChatRoomServer server(&room);
    if (server.listen(path) != ChatRoomServer::Result::Serving) {
        std::fprintf(stderr, "%s\n", qPrintable(server.statusText()));
        return 1;
    }
    QElapsedTimer setup;
    setup.start();
    ChatRoomWindow window(&room);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    std::printf("window shown with %d lines in %.0f ms\n", lineCount, double(setup.elapsed()));

    std::map<std::string, double> worst;
    int lost = 0;
    auto note = [&](const char *what, const Answer &answer) {
        if (answer.ms < 0) {
            ++lost;
            return;
        }
        const std::string key = std::string(what) + " (" + answer.verb.toStdString() + ")";
        worst[key] = std::max(worst[key], answer.ms);
    };
    QThread *client = QThread::create([&] {
        note("INPUT long line", ask(path, "INPUT", QByteArray(longLine, 'x')));
        note("SEND long line", ask(path, "SEND", {}));
        // The same line inside a replaced transcript, where it cannot be refused.
        const QByteArray longLineHtml =
            ChatRoom::formatLine(QStringLiteral("Member"), QString(longLine, QLatin1Char('y')),
                                 QTime(12, 0))
                .toUtf8();
        note("SET with the long line", ask(path, "SET", lines(lineCount) + longLineHtml));
        for (int i = 0; i < rounds; ++i) {
            note("INPUT", ask(path, "INPUT", "line " + QByteArray::number(i)));
            note("SEND", ask(path, "SEND", {}));
            note("GET", ask(path, "GET", {}));
        }
    });
    QObject::connect(client, &QThread::finished, &app, &QCoreApplication::quit);
    client->start();
    app.exec();
    client->wait();
    delete client;

    double overall = 0;
    std::printf("%d transcript lines, a line of %d bytes offered, %d rounds after it\n", lineCount,
                longLine, rounds);
    for (const auto &[what, ms] : worst) {
        std::printf("  worst %-28s %9.1f ms\n", what.c_str(), ms);
        overall = std::max(overall, ms);
    }
    std::printf("worst answer time: %.1f ms (%d requests unanswered)\n", overall, lost);
    return 0;
}
