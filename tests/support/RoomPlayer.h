#pragma once

#include "stream/StreamSettings.h"
#include "support/TestChatRoom.h"
#include "support/TestPlatform.h"

#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class ChatRoomClient;
class MainWindow;
class StreamService;

// What the end-to-end tests drive as a user would: a real chat room on a thread of its own and
// the real main window (libmpv with the null audio output, TagLib) reaching it through a client of
// its own, with a library folder remembered as at a second start.
class RoomPlayer {
public:
    // The room's own user, and the one the player obeys.
    static constexpr char kUser[] = "Test User";

    RoomPlayer();
    ~RoomPlayer();

    // Starts the window on `music` (streaming to `stream` what `given` says, as the command line
    // would give it), sets the screen name as the user does and warms the engine up. False when
    // any of it failed.
    bool start(const QString &music, StreamService *stream = nullptr,
               const std::optional<StreamSettings> &given = std::nullopt);
    // The state each test begins in: no announcement check running, no line waiting to go into
    // the transcript.
    bool settle();
    // Says a line in the room and waits until the scanner has reported it: the player's handler,
    // and any reply it types, ran inside that same tick. False when the scanner never saw it.
    bool say(const QString &text, const QString &speaker = QString::fromLatin1(kUser));
    // The transcript holds a line whose text is `text`.
    bool saidLine(const QString &text);

    TestChatRoom room;
    TestPlatform platform{TestPlatform::Engine::Mpv};
    QPointer<MainWindow> window;

private:
    std::unique_ptr<ChatRoomClient> m_client;
};
