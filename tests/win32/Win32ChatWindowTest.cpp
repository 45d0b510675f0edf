#include "platform/win32/Win32ChatWindow.h"
#include "StandIn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Each row of a table is named after its `name`.
template <typename Case> std::string caseName(const testing::TestParamInfo<Case> &row) {
    return row.param.name;
}

using Messages = std::vector<std::string>;
using Operation = std::function<void(Win32ChatWindow &)>;

// What the player's Clear command leaves as the whole transcript.
const std::string kClearedNotice =
    "<font color=blue><b>OnlineHost</b>:<font color=black> Chat Cleared!";
const std::string kOldTranscript = "<BR><FONT COLOR=\"#0000ff\"><B>Bob</B></FONT><FONT "
                                   "COLOR=\"#000000\">: hi<!-- (11:59:00) --></FONT>";
// The tests give the chat window a budget that scheduling under Wine on a busy machine is small
// beside. The timing tests allow 40% over it: an operation that took a fresh budget for each
// message would need at least two, and one that waited for an absent window at least one.
constexpr unsigned kBudgetMs = 2000;
constexpr auto kBound = std::chrono::milliseconds(kBudgetMs * 7 / 5);

// One chat line by the stand-in's user, as it appends it on a click of send.
std::string ownLine(const std::string &text) {
    return "<BR><FONT COLOR=\"#0000ff\"><B>Me</B></FONT><FONT COLOR=\"#000000\">: " + text +
           "<!-- (12:00:00) --></FONT>";
}

// Chat lines up to exactly `length` characters, the last one cut short.
std::string transcriptOfLength(size_t length) {
    std::string text;
    for (int i = 0; text.size() < length; ++i)
        text += ownLine("line " + std::to_string(i) + " of a long evening");
    return text.substr(0, length);
}

std::chrono::milliseconds timed(const std::function<void()> &call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

const Messages kClickOnSend = {"button5 WM_LBUTTONDOWN 0 0", "button5 WM_KEYUP 32 0",
                               "button5 WM_LBUTTONUP 0 0"};

// The four operations, each on its own, for the tests that only care that nothing happens.
const std::vector<std::pair<std::string, Operation>> kEveryOperation = {
    {"transcript",
     [](Win32ChatWindow &window) {
         EXPECT_EQ(window.transcript(), "");
     }},
    {"setTranscript",
     [](Win32ChatWindow &window) {
         window.setTranscript(kClearedNotice);
     }},
    {"setInput",
     [](Win32ChatWindow &window) {
         window.setInput("play");
     }},
    {"pressSend",
     [](Win32ChatWindow &window) {
         window.pressSend();
     }},
};

// --- Reading the transcript ------------------------------------------------------------------

struct ReadCase {
    const char *name;
    std::string transcript;
    Messages messages;
};

void PrintTo(const ReadCase &row, std::ostream *out) {
    *out << row.name;
}

class TranscriptRead : public testing::TestWithParam<ReadCase> {};

TEST_P(TranscriptRead, GivesTheWholeTextWithOneLookUpPerCall) {
    StandIn standIn;
    ASSERT_TRUE(standIn.ready()) << standIn.error();
    StandIn::setText(standIn.transcript(), GetParam().transcript);
    StandIn::setText(standIn.input(), "not the transcript");
    standIn.takeExternalMessages();

    Win32ChatWindow window(kBudgetMs);
    EXPECT_EQ(window.transcript(), GetParam().transcript);
    EXPECT_EQ(standIn.takeExternalMessages(), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TranscriptRead,
    testing::Values(ReadCase{"empty", "", {"transcript WM_GETTEXTLENGTH 0 0"}},
                    ReadCase{"one_character",
                             "x",
                             {"transcript WM_GETTEXTLENGTH 0 0", "transcript WM_GETTEXT 2 -"}},
                    ReadCase{"five_thousand_characters",
                             transcriptOfLength(5000),
                             {"transcript WM_GETTEXTLENGTH 0 0", "transcript WM_GETTEXT 5001 -"}}),
    caseName<ReadCase>);

// --- Writing: clear, type, send --------------------------------------------------------------

struct WriteCase {
    const char *name;
    Operation operation;
    Messages messages;
    std::string transcriptAfter;
    std::string inputAfter;
};

void PrintTo(const WriteCase &row, std::ostream *out) {
    *out << row.name;
}

class Write : public testing::TestWithParam<WriteCase> {};

TEST_P(Write, SendsExactlyItsMessagesToTheRightControl) {
    StandIn standIn;
    ASSERT_TRUE(standIn.ready()) << standIn.error();
    StandIn::setText(standIn.transcript(), kOldTranscript);
    StandIn::setText(standIn.input(), "hello there");
    standIn.takeExternalMessages();

    Win32ChatWindow window(kBudgetMs);
    GetParam().operation(window);
    EXPECT_EQ(standIn.takeExternalMessages(), GetParam().messages);
    EXPECT_EQ(StandIn::text(standIn.transcript()), GetParam().transcriptAfter);
    EXPECT_EQ(StandIn::text(standIn.input()), GetParam().inputAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, Write,
    testing::Values(WriteCase{"clear",
                              [](Win32ChatWindow &window) { window.setTranscript(kClearedNotice); },
                              {"transcript WM_SETTEXT 0 " + kClearedNotice},
                              kClearedNotice,
                              "hello there"},
                    WriteCase{"type",
                              [](Win32ChatWindow &window) { window.setInput("play something"); },
                              {"input WM_SETTEXT 0 play something"},
                              kOldTranscript,
                              "play something"},
                    WriteCase{"send", [](Win32ChatWindow &window) { window.pressSend(); },
                              kClickOnSend, kOldTranscript + ownLine("hello there"), ""},
                    WriteCase{"type_and_send",
                              [](Win32ChatWindow &window) {
                                  window.setInput("<b>now</b> & then");
                                  window.pressSend();
                              },
                              {"input WM_SETTEXT 0 <b>now</b> & then", kClickOnSend[0],
                               kClickOnSend[1], kClickOnSend[2]},
                              kOldTranscript + ownLine("&lt;b&gt;now&lt;/b&gt; &amp; then"),
                              ""}),
    caseName<WriteCase>);

// --- Pieces of the chat window missing -------------------------------------------------------

struct MissingCase {
    const char *name;
    std::vector<std::string> standInArguments;
    Operation operation;
};

void PrintTo(const MissingCase &row, std::ostream *out) {
    *out << row.name;
}

class MissingPiece : public testing::TestWithParam<MissingCase> {};

TEST_P(MissingPiece, HasNoEffect) {
    StandIn standIn(GetParam().standInArguments);
    ASSERT_TRUE(standIn.ready()) << standIn.error();
    const HWND transcript = standIn.transcript();
    if (transcript)
        StandIn::setText(transcript, kOldTranscript);
    standIn.takeExternalMessages();

    Win32ChatWindow window;
    GetParam().operation(window);
    EXPECT_EQ(standIn.takeExternalMessages(), Messages{});
    if (transcript) {
        EXPECT_EQ(StandIn::text(transcript), kOldTranscript);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, MissingPiece,
                         testing::Values(MissingCase{"four_buttons_no_send",
                                                     {"--buttons", "4"},
                                                     [](Win32ChatWindow &window) {
                                                         window.pressSend();
                                                     }},
                                         MissingCase{"one_wrapper_no_input",
                                                     {"--wrappers", "1"},
                                                     [](Win32ChatWindow &window) {
                                                         window.setInput("play");
                                                     }},
                                         MissingCase{"no_wrapper_no_transcript",
                                                     {"--wrappers", "0"},
                                                     [](Win32ChatWindow &window) {
                                                         EXPECT_EQ(window.transcript(), "");
                                                     }},
                                         MissingCase{"no_wrapper_nothing_to_clear",
                                                     {"--wrappers", "0"},
                                                     [](Win32ChatWindow &window) {
                                                         window.setTranscript(kClearedNotice);
                                                     }}),
                         caseName<MissingCase>);

// --- No chat window, a hung one --------------------------------------------------------------

TEST(ChatWindowAbsent, EveryOperationIsSilentAndQuickAndTheWindowIsFoundOnceItOpens) {
    ASSERT_EQ(FindWindowA("AIM_ChatWnd", nullptr), nullptr) << "a chat window is already open";
    Win32ChatWindow window(kBudgetMs);
    for (const auto &entry : kEveryOperation) {
        SCOPED_TRACE(entry.first);
        EXPECT_LT(timed([&] { entry.second(window); }), std::chrono::milliseconds(kBudgetMs));
    }

    // The same object follows a chat window that opens and closes later.
    {
        StandIn standIn;
        ASSERT_TRUE(standIn.ready()) << standIn.error();
        StandIn::setText(standIn.transcript(), kOldTranscript);
        EXPECT_EQ(window.transcript(), kOldTranscript);
    }
    EXPECT_EQ(window.transcript(), "");
}

// A chat client that does not answer in time: one that stopped taking messages, and one that
// takes most of the budget over each, so that no two messages of one operation fit in it.
class Unresponsive : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(Unresponsive, EveryOperationGivesUpWithinTheBudget) {
    StandIn standIn(GetParam());
    ASSERT_TRUE(standIn.ready()) << standIn.error();
    Win32ChatWindow window(kBudgetMs);
    for (const auto &entry : kEveryOperation) {
        SCOPED_TRACE(entry.first);
        // On a worker thread, so that an operation that blocks fails the test instead of hanging
        // it: ending the stand-in then releases the call.
        auto call =
            std::async(std::launch::async, [&] { return timed([&] { entry.second(window); }); });
        if (call.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "blocked by the chat window";
            standIn.stop();
        }
        EXPECT_LT(call.get(), kBound);
    }
}

INSTANTIATE_TEST_SUITE_P(Clients, Unresponsive,
                         testing::Values(std::vector<std::string>{"--hung"},
                                         std::vector<std::string>{"--slow", "1800"}),
                         [](const testing::TestParamInfo<std::vector<std::string>> &row) {
                             return row.param[0].substr(2);
                         });

// --- Text in the ANSI code page --------------------------------------------------------------

TEST(ChatWindowText, CrossesAsBytesOfTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "these bytes are Windows-1252 text";
    const std::string bytes = "caf\xe9 \x80 5, na\xefve \x9cuvre \xab\xbb";
    const std::wstring wide = L"caf\u00e9 \u20ac 5, na\u00efve \u0153uvre \u00ab\u00bb";
    StandIn standIn;
    ASSERT_TRUE(standIn.ready()) << standIn.error();
    Win32ChatWindow window(kBudgetMs);

    window.setInput(bytes);
    EXPECT_EQ(StandIn::wideText(standIn.input()), wide);
    window.pressSend();
    EXPECT_EQ(window.transcript(), ownLine(bytes));

    window.setTranscript(bytes);
    EXPECT_EQ(StandIn::wideText(standIn.transcript()), wide);
    EXPECT_EQ(window.transcript(), bytes);
}

} // namespace
