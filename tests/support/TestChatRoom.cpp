#include "support/TestChatRoom.h"

#include <QMetaObject>
#include <type_traits>
#include <utility>

template <typename Function> auto TestChatRoom::onRoomThread(Function function) {
    using Result = std::invoke_result_t<Function>;
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(m_room, std::move(function), Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(m_room, std::move(function), Qt::BlockingQueuedConnection,
                                  &result);
        return result;
    }
}

TestChatRoom::TestChatRoom(std::chrono::milliseconds idleTimeout, const QString &socketName)
    : m_socketPath(m_folder.filePath(socketName)), m_room(new ChatRoom),
      m_server(new ChatRoomServer(m_room)) {
    m_thread.setObjectName(QStringLiteral("TestChatRoom"));
    m_server->setIdleTimeout(idleTimeout);
    m_room->moveToThread(&m_thread);
    m_server->moveToThread(&m_thread);
    m_thread.start();
    // The server's sockets and timers must be made on the thread that runs them.
    onRoomThread([this] { m_server->listen(m_socketPath); });
}

TestChatRoom::~TestChatRoom() {
    onRoomThread([this] {
        delete m_server;
        delete m_room;
    });
    m_thread.quit();
    m_thread.wait();
}

bool TestChatRoom::isServing() {
    return onRoomThread([this] { return m_server->isServing(); });
}

QString TestChatRoom::transcript() {
    return onRoomThread([this] { return m_room->transcript(); });
}

QByteArray TestChatRoom::transcriptUtf8() {
    return onRoomThread([this] { return m_room->transcriptUtf8(); });
}

void TestChatRoom::setTranscript(const QString &html) {
    onRoomThread([this, html] { m_room->setTranscript(html); });
}

qsizetype TestChatRoom::linesWaiting() {
    return onRoomThread([this] { return m_room->pacer().waiting(); });
}

QString TestChatRoom::input() {
    return onRoomThread([this] { return m_room->input(); });
}

void TestChatRoom::say(const QString &speaker, const QString &text) {
    onRoomThread([this, speaker, text] { m_room->say(speaker, text); });
}

void TestChatRoom::sayAsUser(const QString &text) {
    onRoomThread([this, text] { m_room->sayAsUser(text); });
}

QString TestChatRoom::userName() {
    return onRoomThread([this] { return m_room->userName(); });
}

void TestChatRoom::setUserName(const QString &name) {
    onRoomThread([this, name] { m_room->setUserName(name); });
}

void TestChatRoom::setClock(ChatRoom::Clock clock) {
    onRoomThread([this, clock = std::move(clock)] { m_room->setClock(clock); });
}
