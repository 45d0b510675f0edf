#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

// Runs standin_chat (from the test program's own folder) for the length of one test and reads
// its message log.
class StandIn {
public:
    explicit StandIn(const std::vector<std::string> &arguments = {});
    ~StandIn() { stop(); }
    StandIn(const StandIn &) = delete;
    StandIn &operator=(const StandIn &) = delete;

    // True once its windows exist; otherwise `error()` tells why not.
    bool ready() const { return m_ready; }
    const std::string &error() const { return m_error; }

    // Ends the stand-in; its windows are gone when this returns. A message still waiting for one
    // of them fails then.
    void stop();

    // Straight from the stand-in, not found through the code under test; null when it was
    // started without them.
    HWND transcript() const { return m_transcript; }
    HWND input() const { return m_input; }

    // The messages sent to its windows from outside since the last call, one "NAME MESSAGE
    // WPARAM DETAIL" each. The helpers below send messages too: call this right after the
    // operation that is looked at.
    std::vector<std::string> takeExternalMessages();

    // A control's text, read or set directly.
    static std::string text(HWND control);
    static std::wstring wideText(HWND control);
    static void setText(HWND control, const std::string &text);

private:
    std::vector<std::string> logLines() const;

    std::string m_logPath;
    PROCESS_INFORMATION m_process{};
    bool m_ready = false;
    HWND m_transcript = nullptr;
    HWND m_input = nullptr;
    size_t m_linesTaken = 0;
    std::string m_error;
};
