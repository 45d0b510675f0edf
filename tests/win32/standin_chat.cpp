// A chat-room window of our own with the window classes and layout of the chat client's, for the
// tests of Win32ChatWindow. Usage:
//
//   standin_chat LOG [--buttons N] [--wrappers N] [--hung | --slow MS]
//
// Every message that reaches one of its windows is appended to LOG as one line
//
//   ext|own NAME MESSAGE WPARAM DETAIL
//
// "ext" marks a message sent from another thread (the program under test), "own" everything the
// stand-in and the system send it themselves, including what its own handlers cause. DETAIL is the
// text for WM_SETTEXT, "-" for WM_GETTEXT (its buffer is only an address) and lParam for the rest.
// Once its windows exist it writes "ready TRANSCRIPT INPUT" (the two text controls' handles in
// hex), so a test can look at them without the code under test. With --hung it then stops taking
// messages for good; with --slow it takes MS milliseconds over every message from outside.
//
// The chat window's children, top to bottom: two "WndAte32Class" wrappers, each holding an
// "Ate32Class" edit control (transcript, then input box; the first wrapper also hides an icon
// button, which is not the chat window's own child), four "_Oscar_IconBtn" buttons, a decoy of
// another class, and the remaining buttons. When the fifth button receives left button down,
// space key up and left button up in that order, the input box's text becomes a chat line at the
// end of the transcript and the input box is emptied, as the chat client does on a click.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr int kSendButton = 5;

std::FILE *g_log = nullptr;
WNDPROC g_editProc = nullptr;
std::map<HWND, std::string> g_names;
// Where each button is in the click sequence: 0 idle, 1 after button down, 2 after space up.
std::map<HWND, int> g_clickStep;
HWND g_transcript = nullptr;
HWND g_input = nullptr;
HWND g_sendButton = nullptr;

std::string messageName(UINT message) {
    switch (message) {
    case WM_SETTEXT:
        return "WM_SETTEXT";
    case WM_GETTEXT:
        return "WM_GETTEXT";
    case WM_GETTEXTLENGTH:
        return "WM_GETTEXTLENGTH";
    case WM_LBUTTONDOWN:
        return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP:
        return "WM_LBUTTONUP";
    case WM_KEYDOWN:
        return "WM_KEYDOWN";
    case WM_KEYUP:
        return "WM_KEYUP";
    case WM_CHAR:
        return "WM_CHAR";
    default:
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%04x", message);
        return hex;
    }
}

// Control characters would break the one-line-per-message log; everything else is kept as bytes.
std::string escaped(const char *text) {
    std::string out;
    for (const char *p = text; *p; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte < 0x20 || *p == '\\') {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", byte);
            out += code;
        } else {
            out += *p;
        }
    }
    return out;
}

// How many of our window procedures are running on this thread. A message that arrives while one
// runs was caused by our own code (a control telling its parent, the click handler setting text),
// not sent by the program under test.
int g_depth = 0;
DWORD g_slowMs = 0;

void logMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto name = g_names.find(window);
    if (!g_log || name == g_names.end())
        return;
    std::string detail;
    if (message == WM_SETTEXT)
        detail = lParam ? escaped(reinterpret_cast<const char *>(lParam)) : "(null)";
    else if (message == WM_GETTEXT)
        detail = "-";
    else
        detail = std::to_string(static_cast<long long>(lParam));
    const bool external = g_depth == 0 && (InSendMessageEx(nullptr) & ISMEX_SEND) != 0;
    std::fprintf(g_log, "%s %s %s %llu %s\n", external ? "ext" : "own", name->second.c_str(),
                 messageName(message).c_str(), static_cast<unsigned long long>(wParam),
                 detail.c_str());
    std::fflush(g_log);
    if (external && g_slowMs > 0)
        Sleep(g_slowMs);
}

// Logs the message and keeps count of the procedures running while `handle` deals with it.
template <typename Handle>
LRESULT logged(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Handle handle) {
    logMessage(window, message, wParam, lParam);
    ++g_depth;
    const LRESULT result = handle();
    --g_depth;
    return result;
}

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

std::string htmlEscaped(const std::string &text) {
    std::string out;
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// What the chat client does on a click of its send button.
void send() {
    const std::string text = windowText(g_input);
    if (text.empty())
        return;
    const std::string line = "<BR><FONT COLOR=\"#0000ff\"><B>Me</B></FONT><FONT "
                             "COLOR=\"#000000\">: " +
                             htmlEscaped(text) + "<!-- (12:00:00) --></FONT>";
    SetWindowTextA(g_transcript, (windowText(g_transcript) + line).c_str());
    SetWindowTextA(g_input, "");
}

void followClick(HWND button, UINT message, WPARAM wParam) {
    int &step = g_clickStep[button];
    if (message == WM_LBUTTONDOWN) {
        step = 1;
    } else if (message == WM_KEYUP && wParam == VK_SPACE && step == 1) {
        step = 2;
    } else if (message == WM_LBUTTONUP && step == 2) {
        step = 0;
        if (button == g_sendButton)
            send();
    } else if (message == WM_LBUTTONUP || message == WM_KEYUP || message == WM_KEYDOWN) {
        step = 0;
    }
}

LRESULT CALLBACK textProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return logged(window, message, wParam, lParam,
                  [&] { return CallWindowProcA(g_editProc, window, message, wParam, lParam); });
}

LRESULT CALLBACK buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return logged(window, message, wParam, lParam, [&] {
        followClick(window, message, wParam);
        return DefWindowProcA(window, message, wParam, lParam);
    });
}

LRESULT CALLBACK plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return logged(window, message, wParam, lParam, [&] {
        if (message == WM_DESTROY && g_names[window] == "chat")
            PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    });
}

bool registerClass(const char *name, WNDPROC proc) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    return RegisterClassExA(&windowClass) != 0;
}

// The text controls are edit controls under the chat client's class name.
bool registerTextClass() {
    WNDCLASSEXA edit{};
    edit.cbSize = sizeof edit;
    if (!GetClassInfoExA(nullptr, "EDIT", &edit))
        return false;
    g_editProc = edit.lpfnWndProc;
    edit.lpfnWndProc = textProc;
    edit.hInstance = GetModuleHandleA(nullptr);
    edit.lpszClassName = "Ate32Class";
    return RegisterClassExA(&edit) != 0;
}

// Children are stacked below their earlier siblings, so the order of creation is the order in
// which FindWindowEx meets them.
HWND child(HWND parent, const char *className, const std::string &name, const char *text = "",
           DWORD style = 0) {
    const HWND window =
        CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20, parent,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return nullptr;
    g_names[window] = name;
    SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return window;
}

int fail(const char *what) {
    std::fprintf(stderr, "standin_chat: %s (error %lu)\n", what, GetLastError());
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2)
        return fail("usage: standin_chat LOG [--buttons N] [--wrappers N] [--hung | --slow MS]");
    int buttons = 6;
    int wrappers = 2;
    bool hung = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--buttons") == 0 && i + 1 < argc)
            buttons = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--wrappers") == 0 && i + 1 < argc)
            wrappers = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--hung") == 0)
            hung = true;
        else if (std::strcmp(argv[i], "--slow") == 0 && i + 1 < argc)
            g_slowMs = static_cast<DWORD>(std::atoi(argv[++i]));
        else
            return fail("unknown argument");
    }
    g_log = std::fopen(argv[1], "ab");
    if (!g_log)
        return fail("cannot open the log");

    if (!registerClass("AIM_ChatWnd", plainProc) || !registerClass("WndAte32Class", plainProc) ||
        !registerClass("_Oscar_IconBtn", buttonProc) ||
        !registerClass("_Oscar_TabGroup", plainProc) || !registerTextClass())
        return fail("cannot register the window classes");

    const HWND chat = CreateWindowExA(0, "AIM_ChatWnd", "Chat Room", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                      300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!chat)
        return fail("cannot create the chat window");
    g_names[chat] = "chat";

    const char *textNames[] = {"transcript", "input"};
    for (int i = 0; i < wrappers && i < 2; ++i) {
        const HWND wrapper = child(chat, "WndAte32Class", "wrapper" + std::to_string(i + 1));
        const HWND text = child(wrapper, "Ate32Class", textNames[i], "",
                                ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL);
        if (!wrapper || !text)
            return fail("cannot create a text control");
        (i == 0 ? g_transcript : g_input) = text;
        if (i == 0 && !child(wrapper, "_Oscar_IconBtn", "nested"))
            return fail("cannot create the nested button");
    }
    for (int i = 1; i <= buttons; ++i) {
        if (i == kSendButton && !child(chat, "_Oscar_TabGroup", "decoy"))
            return fail("cannot create the decoy");
        const HWND button = child(chat, "_Oscar_IconBtn", "button" + std::to_string(i));
        if (!button)
            return fail("cannot create a button");
        if (i == kSendButton)
            g_sendButton = button;
    }

    std::fprintf(g_log, "ready %llx %llx\n",
                 static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(g_transcript)),
                 static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(g_input)));
    std::fflush(g_log);

    if (hung) {
        Sleep(INFINITE);
        return 0;
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
