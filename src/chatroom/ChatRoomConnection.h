#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <chrono>

class ChatFrame;
class ChatRoom;
class QLocalSocket;

// One client's connection to the room: reads request frames as they arrive, answers them in
// order, answers ERR and closes on a broken request, and closes after a spell of silence. It
// deletes itself once the connection is gone.
class ChatRoomConnection : public QObject {
    Q_OBJECT
public:
    // Takes ownership of socket.
    ChatRoomConnection(QLocalSocket *socket, ChatRoom *room, std::chrono::milliseconds idleTimeout,
                       QObject *parent = nullptr);

private:
    void readRequests();
    void answer(const ChatFrame &request);
    void refuse(const QByteArray &reason);

    QLocalSocket *m_socket;
    ChatRoom *m_room;
    QTimer m_idle;
    QByteArray m_buffer;
    bool m_refused = false;
};
