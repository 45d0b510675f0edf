#pragma once

#include "platform/Platform.h"

#include <memory>

class ChatWindow;
class QtDialogs;
class QtFolderDialog;
class QtPopupMenus;
class TagLibReader;
class TrayShell;

// The one place where the program's real platform is put together.
class AppWiring {
public:
    AppWiring();
    ~AppWiring();

    Platform &platform() { return m_platform; }

private:
    std::unique_ptr<QtDialogs> m_dialogs;
    std::unique_ptr<ChatWindow> m_chatWindow;
    std::unique_ptr<QtFolderDialog> m_folderDialog;
    std::unique_ptr<TagLibReader> m_tagReader;
    std::unique_ptr<TrayShell> m_tray;
    std::unique_ptr<QtPopupMenus> m_popupMenus;
    Platform m_platform;
};
