#pragma once

#include <QObject>
#include <QString>
#include <chrono>

class ChatRoom;
class QLocalServer;

// Serves one ChatRoom over the local chat-room protocol. The socket is made readable and
// writable by its owner only, and a connection from a process of another user is closed at
// once. A socket that a live room listens on is left alone (this server then refuses to serve);
// a stale one, which refuses connections, is replaced. A file of another user at the path, or a
// room served by another user, is never used nor removed: the server refuses and names the
// owner. Everything happens on the thread the server lives on, which must be the room's thread.
class ChatRoomServer : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Serving,
        RoomAlreadyRunning, // a live room listens on the path
        Failed,             // see errorString()
    };
    Q_ENUM(Result)

    static constexpr std::chrono::milliseconds defaultIdleTimeout{5000};

    explicit ChatRoomServer(ChatRoom *room, QObject *parent = nullptr);
    ~ChatRoomServer() override;

    // Connections silent for this long are closed. Applies to connections accepted afterwards.
    void setIdleTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds idleTimeout() const { return m_idleTimeout; }

    Result listen(const QString &socketPath);
    // Stops serving and removes the socket file.
    void close();

    bool isServing() const;
    QString socketPath() const { return m_socketPath; }
    QString errorString() const { return m_error; }
    // One line for the room's window: where it serves, or why it does not.
    QString statusText() const;

private:
    void acceptConnections();
    Result fail(const QString &error);

    ChatRoom *m_room;
    QLocalServer *m_server;
    std::chrono::milliseconds m_idleTimeout = defaultIdleTimeout;
    QString m_socketPath;
    QString m_error;
    Result m_result = Result::Failed;
};
