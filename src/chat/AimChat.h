#pragma once

#include <QString>

class ChatWindow;

// The only contact with the chat-room window. Nothing here keeps state: every call reaches the
// window afresh through `window`, so the program follows whatever chat room is open at the
// moment. A window that is absent (no chat room open) reads as "" and ignores writes.
//
// The text routines (GetLastLine, StripTags) work on any input: index arithmetic is bounded by
// the input's length, and both are linear in it.
namespace aimchat {

// The number of characters GetChatTail keeps from the end of the transcript.
inline constexpr int kTailLength = 500;

// The notice that ClearChat leaves as the whole transcript.
QString clearedNotice();

// The whole transcript (HTML).
QString GetChatText(ChatWindow &window);
// The last kTailLength characters of the transcript (all of it when shorter).
QString GetChatTail(ChatWindow &window);
// From the last "<BR>" (any case) onward, less the final character of `text`; "" without "<BR>".
QString GetLastLine(const QString &text);
// `line` without tags and without ">" characters, less its final character. A tag still open at
// the end of the line is dropped whole.
QString StripTags(const QString &line);
// The plain text behind a stripped line's character references, decoded once: &amp; &lt; &gt;
// &quot; &apos; &#39; and any numeric &#N; or &#xN; of a character. Anything else that starts with
// "&" stays as written, so "&amp;amp;" (the user typed "&amp;") becomes "&amp;".
QString DecodeEntities(const QString &text);
// Replaces the transcript with the "Chat Cleared!" notice.
void ClearChat(ChatWindow &window);
// When `chatSends` is true: puts `text` into the input box (replacing what was there) and
// presses send. Otherwise nothing happens.
void TypeChat(ChatWindow &window, const QString &text, bool chatSends);
// Presses the send button.
void PressSend(ChatWindow &window);

} // namespace aimchat
