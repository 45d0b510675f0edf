#include "StandIn.h"

#include <cstdio>
#include <fstream>

namespace {

constexpr DWORD kStartWaitMs = 15000;
// The test's own set-up and checks wait for the stand-in to finish, however long a loaded machine
// takes: an operation under test that started while the stand-in still laid out a long text would
// find it busy, and Wine takes a window that has not looked at its messages for 5 s for hung.
constexpr UINT kDirectTimeoutMs = 15000;

std::string ownFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string freshLogPath() {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "standin-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter) + ".log";
}

} // namespace

StandIn::StandIn(const std::vector<std::string> &arguments) : m_logPath(freshLogPath()) {
    DeleteFileA(m_logPath.c_str());
    std::string commandLine = "\"" + ownFolder() + "standin_chat.exe\" \"" + m_logPath + "\"";
    for (const std::string &argument : arguments)
        commandLine += " " + argument;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &m_process)) {
        m_error = "cannot start " + commandLine;
        return;
    }
    const ULONGLONG end = GetTickCount64() + kStartWaitMs;
    while (GetTickCount64() < end) {
        for (const std::string &line : logLines()) {
            unsigned long long transcript = 0;
            unsigned long long input = 0;
            if (std::sscanf(line.c_str(), "ready %llx %llx", &transcript, &input) == 2) {
                m_ready = true;
                m_transcript = reinterpret_cast<HWND>(static_cast<UINT_PTR>(transcript));
                m_input = reinterpret_cast<HWND>(static_cast<UINT_PTR>(input));
                takeExternalMessages();
                return;
            }
        }
        if (WaitForSingleObject(m_process.hProcess, 10) == WAIT_OBJECT_0) {
            m_error = "the stand-in ended before its windows were ready";
            return;
        }
    }
    m_error = "the stand-in did not get ready";
}

void StandIn::stop() {
    if (m_process.hProcess) {
        TerminateProcess(m_process.hProcess, 0);
        WaitForSingleObject(m_process.hProcess, INFINITE);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
        m_process = {};
    }
    DeleteFileA(m_logPath.c_str());
}

std::vector<std::string> StandIn::logLines() const {
    std::ifstream log(m_logPath, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(log, line))
        lines.push_back(line);
    return lines;
}

std::vector<std::string> StandIn::takeExternalMessages() {
    const std::vector<std::string> lines = logLines();
    std::vector<std::string> external;
    for (size_t i = m_linesTaken; i < lines.size(); ++i) {
        if (lines[i].rfind("ext ", 0) == 0)
            external.push_back(lines[i].substr(4));
    }
    m_linesTaken = lines.size();
    return external;
}

std::string StandIn::text(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, kDirectTimeoutMs,
                             &length))
        return "(no answer)";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, text.size(), LPARAM(text.data()), SMTO_BLOCK,
                             kDirectTimeoutMs, &copied))
        return "(no answer)";
    text.resize(copied);
    return text;
}

std::wstring StandIn::wideText(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, kDirectTimeoutMs,
                             &length))
        return L"(no answer)";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), LPARAM(text.data()), SMTO_BLOCK,
                             kDirectTimeoutMs, &copied))
        return L"(no answer)";
    text.resize(copied);
    return text;
}

void StandIn::setText(HWND control, const std::string &text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, LPARAM(text.c_str()), SMTO_BLOCK, kDirectTimeoutMs,
                        &ignored);
}
