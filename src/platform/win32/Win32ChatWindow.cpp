#include "platform/win32/Win32ChatWindow.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <vector>

namespace {

// Class names are matched without regard to case, so the look-ups spell them in lower case.
constexpr char kChatClass[] = "aim_chatwnd";
constexpr char kWrapperClass[] = "wndate32class";
constexpr char kTextClass[] = "ate32class";
constexpr char kButtonClass[] = "_oscar_iconbtn";
// The send button is the fifth icon button of the chat window.
constexpr int kSendButton = 5;

// The time left for the messages of one operation.
class Budget {
public:
    explicit Budget(unsigned timeoutMs) : m_end(GetTickCount64() + timeoutMs) {}

    // Sends one message within what is left of the budget. False when the window is gone, hung
    // or too slow; the operation then stops as if there were no chat window.
    bool send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result = nullptr) {
        return sendWith(SendMessageTimeoutA, window, message, wParam, lParam, result);
    }
    // The same through the Unicode entry point, for messages that carry no text.
    bool sendWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result) {
        return sendWith(SendMessageTimeoutW, window, message, wParam, lParam, result);
    }

private:
    template <typename Send>
    bool sendWith(Send sendMessage, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT *result) {
        const ULONGLONG now = GetTickCount64();
        if (now >= m_end)
            return false;
        DWORD_PTR answer = 0;
        // SMTO_BLOCK: the player's thread handles no message sent to it while it waits, so none
        // of its own handlers can run inside an operation.
        if (!sendMessage(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                         UINT(m_end - now), &answer))
            return false;
        if (result)
            *result = LRESULT(answer);
        return true;
    }

    ULONGLONG m_end;
};

// The most bytes one UTF-16 unit can take in the ANSI code page: 1 on a single-byte code page
// such as Windows-1252, more on a double-byte one.
size_t ansiBytesPerUnit() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1 ? size_t(info.MaxCharSize) : 1;
}

HWND chatWindow() {
    return FindWindowA(kChatClass, nullptr);
}

// The text control inside the `index`-th (0-based) wrapper of the chat window, or null.
HWND textControl(int index) {
    const HWND chat = chatWindow();
    if (!chat)
        return nullptr;
    HWND wrapper = nullptr;
    for (int i = 0; i <= index; ++i) {
        wrapper = FindWindowExA(chat, wrapper, kWrapperClass, nullptr);
        if (!wrapper)
            return nullptr;
    }
    return FindWindowExA(wrapper, nullptr, kTextClass, nullptr);
}

HWND transcriptControl() {
    return textControl(0);
}

HWND inputControl() {
    return textControl(1);
}

HWND sendButton() {
    const HWND chat = chatWindow();
    if (!chat)
        return nullptr;
    HWND button = nullptr;
    for (int i = 0; i < kSendButton; ++i) {
        button = FindWindowExA(chat, button, kButtonClass, nullptr);
        if (!button)
            return nullptr;
    }
    return button;
}

void setText(HWND control, const std::string &text, unsigned timeoutMs) {
    if (!control)
        return;
    Budget budget(timeoutMs);
    budget.send(control, WM_SETTEXT, 0, LPARAM(text.c_str()));
}

} // namespace

std::string Win32ChatWindow::transcript() const {
    const HWND control = transcriptControl();
    if (!control)
        return {};
    Budget budget(m_timeoutMs);
    // The length is asked through the Unicode entry point: Wine answers the ANSI one with a
    // follow-up WM_GETTEXT that has no time limit, so a hung chat window would freeze the player
    // there. The answer counts UTF-16 units (at least); in the ANSI code page each takes at most
    // ansiBytesPerUnit() bytes, so the buffer is n + 1 bytes on a single-byte code page.
    LRESULT length = 0;
    if (!budget.sendWide(control, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0)
        return {};
    const size_t capacity = size_t(length) * ansiBytesPerUnit();
    // Room for the terminating null, which WM_GETTEXT always writes.
    std::vector<char> buffer(capacity + 1, '\0');
    LRESULT copied = 0;
    if (!budget.send(control, WM_GETTEXT, WPARAM(buffer.size()), LPARAM(buffer.data()), &copied))
        return {};
    // The text may have changed between the two messages; only what was copied counts.
    if (copied < 0 || size_t(copied) > capacity)
        return {};
    return std::string(buffer.data(), size_t(copied));
}

void Win32ChatWindow::setTranscript(const std::string &html) const {
    setText(transcriptControl(), html, m_timeoutMs);
}

void Win32ChatWindow::setInput(const std::string &text) const {
    setText(inputControl(), text, m_timeoutMs);
}

void Win32ChatWindow::pressSend() const {
    const HWND button = sendButton();
    if (!button)
        return;
    // The client's button reacts to this sequence as to a click; a button that stops answering
    // half-way gets nothing more.
    Budget budget(m_timeoutMs);
    if (budget.send(button, WM_LBUTTONDOWN, 0, 0) && budget.send(button, WM_KEYUP, VK_SPACE, 0))
        budget.send(button, WM_LBUTTONUP, 0, 0);
}
