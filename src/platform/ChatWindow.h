#pragma once

#include <QString>

// The chat-room window of another program. Every call finds the window afresh; when there is
// none (or it does not answer in time) reads give "" and writes do nothing.
class ChatWindow {
public:
    virtual ~ChatWindow() = default;

    // The whole transcript as HTML.
    virtual QString transcript() = 0;
    // Replaces the whole transcript.
    virtual void setTranscript(const QString &html) = 0;
    // Replaces the content of the input box.
    virtual void setInput(const QString &text) = 0;
    // Presses the send button.
    virtual void pressSend() = 0;
};
