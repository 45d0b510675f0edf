#pragma once

#include <QString>

// The names the player goes by, in one place. Two of them are old: the window's caption and a
// few texts still say "trevik amp", which is what the chat room has always seen, and the tag the
// screen-name learning looks for carries the old version.
namespace product {

// Box titles, the tray, the stream's name.
inline constexpr char kName[] = "zandor amp";
inline constexpr char kOldName[] = "trevik amp";
// The window's caption, seen only where the system lists windows.
inline constexpr char kWindowTitle[] = "trevik amp 1.0";
// The tray icon's tip.
inline constexpr char kTrayTip[] = "zandor amp 4.0";
// The bare domain the load announcement gives.
inline constexpr char kWebAddress[] = "zandoramp.example";
// A chat line holding this teaches the player the screen name of whoever said it.
inline constexpr char kNameTag[] = "zandor.amp 4.0,";

inline QString name() {
    return QString::fromLatin1(kName);
}

// Said in the chat at every start. The tags around the "a" are crossed on purpose: the room has
// always shown the greeting this way, and the chat window renders it as it stands.
inline QString loadAnnouncement() {
    return QStringLiteral("<b><u>t</u></b>revik <b><u>a</b></u>mp 1.0 Loaded, [") +
           QString::fromLatin1(kWebAddress) + QStringLiteral("]");
}

} // namespace product
