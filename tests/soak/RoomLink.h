#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The soak's member of the chat room: one blocking request per connection over the room's
// socket, so that a room killed at any moment only ever fails the request in flight.
class RoomLink {
public:
    explicit RoomLink(QString socketPath);

    // The whole transcript; nothing when the room does not answer.
    std::optional<QByteArray> transcript() const;
    // A line under the room's own user (INPUT then SEND on one connection).
    bool say(const QByteArray &html) const;
    // Replaces the transcript.
    bool replace(const QByteArray &transcript) const;

private:
    // Sends every (verb, payload) pair and reads as many answers; nothing when any fails or is
    // not "OK". Returns the last answer's payload.
    std::optional<QByteArray> exchange(const QList<QPair<QByteArray, QByteArray>> &requests) const;

    QString m_socketPath;
};
