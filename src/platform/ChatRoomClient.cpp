#include "platform/ChatRoomClient.h"

#include "platform/ChatFrame.h"
#include "platform/ChatSocketPath.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <utility>

namespace {

int remainingMs(const QDeadlineTimer &deadline) {
    return int(deadline.remainingTime());
}

} // namespace

ChatRoomClient::ChatRoomClient(QString socketPath, int timeoutMs)
    : m_socketPath(std::move(socketPath)), m_timeoutMs(qMax(0, timeoutMs)) {}

QString ChatRoomClient::socketPath() const {
    return m_socketPath.isEmpty() ? ChatSocketPath::current() : m_socketPath;
}

QString ChatRoomClient::transcript() {
    const auto answer = exchange(QByteArrayLiteral("GET"), {});
    return answer ? ChatFrame::decodeText(*answer) : QString();
}

void ChatRoomClient::setTranscript(const QString &html) {
    exchange(QByteArrayLiteral("SET"), html.toUtf8());
}

void ChatRoomClient::setInput(const QString &text) {
    exchange(QByteArrayLiteral("INPUT"), text.toUtf8());
}

void ChatRoomClient::pressSend() {
    exchange(QByteArrayLiteral("SEND"), {});
}

bool ChatRoomClient::roomAnswers() {
    return exchange(QByteArrayLiteral("GET"), {}).has_value();
}

QString ChatRoomClient::roomUserName() {
    const auto answer = exchange(QByteArrayLiteral("USER"), {});
    return answer ? ChatFrame::decodeText(*answer) : QString();
}

std::optional<QByteArray> ChatRoomClient::exchange(const QByteArray &verb,
                                                   const QByteArray &payload) const {
    if (payload.size() > ChatFrame::maxPayloadSize)
        return std::nullopt;

    const QDeadlineTimer deadline(m_timeoutMs);
    const QString path = socketPath();
    const uint self = ChatSocketPath::ownUserId();
    // Anyone can create the path first in the shared /tmp: a file of another user is not even
    // connected to, so its owner learns nothing, not even that the player is running.
    if (ChatSocketPath::ownerOf(path) != self)
        return std::nullopt;
    QLocalSocket socket;
    // On Unix the connect is attempted at once: a missing socket file or a refused connection
    // fails here without waiting. Only a full listen backlog leaves it connecting.
    socket.connectToServer(path);
    if (socket.state() != QLocalSocket::ConnectedState &&
        !socket.waitForConnected(remainingMs(deadline)))
        return std::nullopt;
    // The file may be ours while another user's process serves it (or the path changed hands
    // after the check above); the credentials of the connected peer cannot be faked.
    if (ChatSocketPath::peerUserId(socket.socketDescriptor()) != self)
        return std::nullopt;

    socket.write(ChatFrame::encode(verb, payload));
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(remainingMs(deadline)))
            return std::nullopt;
    }

    QByteArray buffer;
    ChatFrame answer;
    for (;;) {
        buffer += socket.readAll();
        const ChatFrame::Status status = ChatFrame::take(buffer, &answer);
        if (status == ChatFrame::Status::Complete)
            break;
        if (status != ChatFrame::Status::Incomplete)
            return std::nullopt;
        // Closed before the answer was whole: the last bytes were read above.
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return std::nullopt;
        // A room that trickles bytes must not keep us past the budget either.
        if (deadline.hasExpired())
            return std::nullopt;
        if (!socket.waitForReadyRead(remainingMs(deadline)) && socket.bytesAvailable() == 0)
            return std::nullopt;
    }

    // One request, one answer: anything after it means the length was wrong.
    if (!buffer.isEmpty() || socket.bytesAvailable() > 0)
        return std::nullopt;
    socket.abort();
    if (answer.verb() != QByteArrayLiteral("OK"))
        return std::nullopt;
    return answer.payload();
}
