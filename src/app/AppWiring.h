#pragma once

#include "platform/Platform.h"
#include "session/SessionRemote.h"

#include <memory>

class AppController;
class Session;
class ChatWindow;
class MprisService;
class QtDialogs;
class QtFolderDialog;
class QtPopupMenus;
class QtWindowMover;
class StreamService;
class TagLibReader;
class TrayShell;

// The one place where the program's real platform is put together. Without a window it holds
// only what a session needs: the chat room, tags, the engine, the stream; no dialogs, tray, menus
// or window mover, none of which may exist without a display.
class AppWiring {
public:
    explicit AppWiring(bool withWindow = true);
    ~AppWiring();

    Platform &platform() { return m_platform; }
    // Puts the player on the session bus for the desktop's media keys, widgets and playerctl,
    // following the controller's main window. Without a session bus the program runs as before.
    void connectDesktop(AppController &controller);
    // The same for a player without a window.
    void connectDesktop(Session &session, SessionRemote::View view);

private:
    void registerDesktop();

    std::unique_ptr<QtDialogs> m_dialogs;
    std::unique_ptr<ChatWindow> m_chatWindow;
    std::unique_ptr<QtFolderDialog> m_folderDialog;
    std::unique_ptr<TagLibReader> m_tagReader;
    std::unique_ptr<TrayShell> m_tray;
    std::unique_ptr<QtPopupMenus> m_popupMenus;
    std::unique_ptr<QtWindowMover> m_windowMover;
    // Outlives every main window, so that listeners stay connected through Clear Settings.
    std::unique_ptr<StreamService> m_stream;
    Platform m_platform;
    std::unique_ptr<SessionRemote> m_remote;
    std::unique_ptr<MprisService> m_mpris;
};
