#pragma once

#include "platform/ChatWindow.h"

#include <QByteArray>
#include <optional>

// The chat window as a chat room that speaks the local chat-room protocol. Each operation opens a
// fresh connection, sends one request and waits for its answer, all within one time budget
// (250 ms by default). It runs on the UI thread and blocks there without spinning an event
// loop: QLocalSocket's waitFor* calls poll the one socket and deliver no other events, so no
// timer or chat handler can run inside an operation. A missing room costs one failed connect;
// any answer that breaks the protocol counts as no chat window at all, and so does a socket file
// or a serving process of another user: nothing is sent to those.
class ChatRoomClient : public ChatWindow {
public:
    static constexpr int defaultTimeoutMs = 250;

    // With an empty socketPath the path is worked out afresh for every operation from this
    // process's environment; tests pass a path of their own.
    explicit ChatRoomClient(QString socketPath = {}, int timeoutMs = defaultTimeoutMs);

    QString transcript() override;
    void setTranscript(const QString &html) override;
    void setInput(const QString &text) override;
    void pressSend() override;

    // True when a room answers a GET correctly within the time budget.
    bool roomAnswers();
    // The screen name of the room's own user, under which the lines sent through it appear;
    // empty when no room answers, or when the room is older than the question and refuses it.
    QString roomUserName();

    // The path the next operation will connect to.
    QString socketPath() const;

private:
    // The payload of the room's OK answer, or nothing for any failure.
    std::optional<QByteArray> exchange(const QByteArray &verb, const QByteArray &payload) const;

    QString m_socketPath;
    int m_timeoutMs;
};
