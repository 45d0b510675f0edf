#pragma once

#include "platform/ChatWindow.h"
#include "platform/win32/Win32ChatWindow.h"

// The chat window on Windows: the running chat client's chat-room window, reached through the
// window system by Win32ChatWindow. Text crosses in the ANSI code page, which is what QString's
// local 8-bit conversion uses on Windows. Built on Windows only.
class WinChatWindow : public ChatWindow {
public:
    QString transcript() override;
    void setTranscript(const QString &html) override;
    void setInput(const QString &text) override;
    void pressSend() override;

private:
    Win32ChatWindow m_window;
};
