#pragma once

#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>

// A real chat room (ChatRoom + ChatRoomServer) serving on a socket inside a temporary folder,
// run on a worker thread of its own. The player's client blocks the thread that calls it while
// it waits for an answer, so the room must not share that thread. Every call below is made from
// the test's thread and blocks until the room's thread has done it; none may be made from the
// room's thread.
class TestChatRoom {
public:
    // `socketName` "aim_chatwnd" makes the room's folder a runtime folder (XDG_RUNTIME_DIR) in
    // which a player of its own process finds it.
    explicit TestChatRoom(
        std::chrono::milliseconds idleTimeout = ChatRoomServer::defaultIdleTimeout,
        const QString &socketName = QStringLiteral("chatroom.sock"));
    ~TestChatRoom();

    TestChatRoom(const TestChatRoom &) = delete;
    TestChatRoom &operator=(const TestChatRoom &) = delete;

    // Where a ChatRoomClient finds this room.
    QString socketPath() const { return m_socketPath; }
    bool isServing();

    QString transcript();
    QByteArray transcriptUtf8();
    void setTranscript(const QString &html);
    QString input();
    // Lines said but not yet in the transcript.
    qsizetype linesWaiting();
    // A line typed by hand by another member of the room.
    void say(const QString &speaker, const QString &text);
    // A line typed by hand by the room's own user.
    void sayAsUser(const QString &text);
    QString userName();
    void setUserName(const QString &name);
    // Fixes the time stamps of the lines that follow.
    void setClock(ChatRoom::Clock clock);

private:
    template <typename Function> auto onRoomThread(Function function);

    QTemporaryDir m_folder;
    QString m_socketPath;
    QThread m_thread;
    ChatRoom *m_room;
    ChatRoomServer *m_server;
};
