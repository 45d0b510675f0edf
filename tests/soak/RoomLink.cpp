#include "RoomLink.h"

#include "platform/ChatFrame.h"

#include <QLocalSocket>

namespace {

// Generous next to the player's 250 ms: the soak must not call a slow room a dead one, the
// room's answer times are what it measures.
constexpr int kTimeoutMs = 2000;

} // namespace

RoomLink::RoomLink(QString socketPath) : m_socketPath(std::move(socketPath)) {}

std::optional<QByteArray> RoomLink::transcript() const {
    return exchange({{"GET", {}}});
}

bool RoomLink::say(const QByteArray &html) const {
    return exchange({{"INPUT", html}, {"SEND", {}}}).has_value();
}

bool RoomLink::replace(const QByteArray &transcript) const {
    return exchange({{"SET", transcript}}).has_value();
}

std::optional<QByteArray>
RoomLink::exchange(const QList<QPair<QByteArray, QByteArray>> &requests) const {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kTimeoutMs))
        return std::nullopt;
    for (const auto &[verb, payload] : requests)
        socket.write(ChatFrame::encode(verb, payload));
    socket.flush();
    QByteArray buffer;
    QByteArray last;
    for (qsizetype answered = 0; answered < requests.size();) {
        ChatFrame frame;
        const ChatFrame::Status status = ChatFrame::take(buffer, &frame);
        if (status == ChatFrame::Status::Complete) {
            if (frame.verb() != "OK")
                return std::nullopt;
            last = frame.payload();
            ++answered;
            continue;
        }
        if (status != ChatFrame::Status::Incomplete || !socket.waitForReadyRead(kTimeoutMs))
            return std::nullopt;
        buffer += socket.readAll();
    }
    return last;
}
