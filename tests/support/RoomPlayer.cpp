#include "support/RoomPlayer.h"

#include "app/MainWindow.h"
#include "chat/ChatScanner.h"
#include "chatroom/ChatRoom.h"
#include "platform/ChatRoomClient.h"
#include "session/Session.h"
#include "session/StreamFollower.h"
#include "support/TestEnv.h"

#include <QTest>
#include <QTimer>

RoomPlayer::RoomPlayer() {
    room.setUserName(QString::fromLatin1(kUser));
    // Every line gets its own time stamp, so a repeated command is a new line.
    room.setClock([n = 0]() mutable { return QTime(10, 0, 0).addSecs(n++); });
    // Generous: these tests are about behaviour, not the 250 ms budget of a loaded machine.
    m_client = std::make_unique<ChatRoomClient>(room.socketPath(), 3000);
    platform.platform().chatWindow = m_client.get();
}

RoomPlayer::~RoomPlayer() {
    if (window)
        window->close();
    // It goes once its close sequence has run, from the event loop.
    (void)QTest::qWaitFor([this] { return window.isNull(); }, 5000);
}

bool RoomPlayer::start(const QString &music, StreamService *stream,
                       const std::optional<StreamSettings> &given) {
    if (!room.isServing())
        return false;
    platform.platform().stream = stream;
    platform.writeSettings("xdir" + music.toUtf8() + "\r\n");
    window = new MainWindow(platform.platform());
    window->session().stream().setGiven(given);
    window->runLoadSequence();
    platform.dialogs.inputAnswer = QString::fromLatin1(kUser);
    window->labSN_Click();
    return testenv::warmUpEngine(*window);
}

bool RoomPlayer::settle() {
    const QTimer *check = window->findChild<QTimer *>("Timer1");
    return QTest::qWaitFor([check] { return !check->isActive(); }, 5000) &&
           QTest::qWaitFor([this] { return room.linesWaiting() == 0; }, 10000);
}

bool RoomPlayer::say(const QString &text, const QString &speaker) {
    // The room writes a line typed by hand as HTML.
    const QString words = QStringLiteral(": ") + ChatRoom::escape(text) + QStringLiteral("<!--");
    const QString who = QStringLiteral("<B>") + speaker + QStringLiteral("</B>");
    // A now-playing line typed between this line and the next poll would hide it from the
    // scanner, which reports only the last line: let a pending announcement check go first.
    const QTimer *check = window->findChild<QTimer *>("Timer1");
    if (!QTest::qWaitFor([check] { return !check->isActive(); }, 3000))
        return false;
    bool seen = false;
    ChatScanner &scanner = window->session().scanner();
    const auto watch = QObject::connect(&scanner, &ChatScanner::aimchatscan, [&] {
        seen =
            seen || (scanner.oldlastlyne().contains(words) && scanner.oldlastlyne().contains(who));
    });
    if (speaker == QLatin1String(kUser))
        room.sayAsUser(text);
    else
        room.say(speaker, text);
    const bool reported = QTest::qWaitFor([&] { return seen; }, 5000);
    QObject::disconnect(watch);
    return reported;
}

bool RoomPlayer::saidLine(const QString &text) {
    return room.transcript().contains(QStringLiteral(": ") + text + QStringLiteral("<!-- ("));
}
