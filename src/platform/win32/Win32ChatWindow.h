#pragma once

#include <string>

// The chat client's chat-room window, reached through the window system from another process.
// Text crosses as bytes in the ANSI code page, the way the window's own controls hold it.
//
// Every operation looks the windows up afresh, so the player follows whatever chat room is open
// at the moment. A missing window reads as "" and ignores writes. Each operation shares one time
// budget among the messages it sends; a message that is not answered within what is left (or a
// window the system already counts as hung) ends the operation as if there were no chat window,
// so a hung chat client costs the player at most the budget and never freezes it.
class Win32ChatWindow {
public:
    static constexpr unsigned defaultTimeoutMs = 250;

    explicit Win32ChatWindow(unsigned timeoutMs = defaultTimeoutMs) : m_timeoutMs(timeoutMs) {}

    // The whole transcript (HTML).
    std::string transcript() const;
    // Replaces the whole transcript.
    void setTranscript(const std::string &html) const;
    // Replaces the content of the input box.
    void setInput(const std::string &text) const;
    // Clicks the send button.
    void pressSend() const;

private:
    unsigned m_timeoutMs;
};
