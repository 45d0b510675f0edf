#include "chatroom/ChatRoomConnection.h"

#include "chatroom/ChatRoom.h"
#include "platform/ChatFrame.h"

#include <QLocalSocket>

ChatRoomConnection::ChatRoomConnection(QLocalSocket *socket, ChatRoom *room,
                                       std::chrono::milliseconds idleTimeout, QObject *parent)
    : QObject(parent), m_socket(socket), m_room(room) {
    m_socket->setParent(this);
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleTimeout);
    connect(&m_idle, &QTimer::timeout, m_socket, &QLocalSocket::disconnectFromServer);
    connect(m_socket, &QLocalSocket::readyRead, this, &ChatRoomConnection::readRequests);
    // Queued deletion: the socket may report the disconnect from inside one of its own calls.
    connect(m_socket, &QLocalSocket::disconnected, this, &QObject::deleteLater);
    m_idle.start();
    // Bytes can arrive between accept and the readyRead connection above.
    if (m_socket->bytesAvailable() > 0)
        readRequests();
}

void ChatRoomConnection::readRequests() {
    if (m_refused) {
        // After ERR nothing more is read; the connection is on its way out.
        m_socket->readAll();
        return;
    }
    m_buffer += m_socket->readAll();
    m_idle.start();

    ChatFrame request;
    for (;;) {
        switch (ChatFrame::take(m_buffer, &request)) {
        case ChatFrame::Status::Incomplete:
            return;
        case ChatFrame::Status::Complete:
            answer(request);
            if (m_refused)
                return;
            break;
        case ChatFrame::Status::Malformed:
            refuse(QByteArrayLiteral("malformed header"));
            return;
        case ChatFrame::Status::TooLarge:
            refuse(QByteArrayLiteral("payload too large"));
            return;
        }
    }
}

void ChatRoomConnection::answer(const ChatFrame &request) {
    const QByteArray &verb = request.verb();
    QByteArray reply;
    // GET, SEND and USER carry no payload; one that comes anyway is ignored rather than refused.
    if (verb == "GET") {
        reply = m_room->transcriptUtf8();
    } else if (verb == "USER") {
        reply = m_room->userName().toUtf8();
    } else if (verb == "SET") {
        m_room->setTranscriptUtf8(request.payload());
    } else if (verb == "INPUT") {
        m_room->setInput(ChatFrame::decodeText(request.payload()));
    } else if (verb == "SEND") {
        if (!m_room->send()) {
            refuse(QByteArrayLiteral("line too long"));
            return;
        }
    } else {
        refuse(QByteArrayLiteral("unknown verb"));
        return;
    }
    m_socket->write(ChatFrame::encode(QByteArrayLiteral("OK"), reply));
}

void ChatRoomConnection::refuse(const QByteArray &reason) {
    m_refused = true;
    m_buffer.clear();
    m_idle.stop();
    m_socket->write(ChatFrame::encode(QByteArrayLiteral("ERR"), reason));
    // Writes what is pending (the ERR and any answers before it), then closes.
    m_socket->disconnectFromServer();
}
