#include "app/AppWiring.h"

#include "app/AppController.h"
#include "app/MainWindow.h"
#include "app/SettingsFolder.h"
#include "mpris/MprisService.h"
#include "platform/MpvEngine.h"
#include "platform/QtDialogs.h"
#include "platform/QtFolderDialog.h"
#include "platform/QtPopupMenus.h"
#include "platform/QtTray.h"
#include "platform/QtWindowMover.h"
#include "platform/TagLibReader.h"
#include "session/SessionRemote.h"
#include "stream/StreamService.h"
#include "tray/TrayControl.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "platform/win32/WinChatWindow.h"
#else
#include "platform/ChatRoomClient.h"
#endif

namespace {

std::unique_ptr<ChatWindow> makeChatWindow() {
#ifdef Q_OS_WIN
    // On Windows the chat room is the chat client's own window in another process.
    return std::make_unique<WinChatWindow>();
#else
    // Elsewhere it is our chat room, reached over its local socket.
    return std::make_unique<ChatRoomClient>();
#endif
}

} // namespace

AppWiring::AppWiring(bool withWindow)
    : m_chatWindow(makeChatWindow()), m_tagReader(std::make_unique<TagLibReader>()),
      m_stream(std::make_unique<StreamService>()) {
    if (withWindow) {
        m_dialogs = std::make_unique<QtDialogs>();
        m_folderDialog = std::make_unique<QtFolderDialog>();
        m_tray = std::make_unique<QtTray>();
        m_popupMenus = std::make_unique<QtPopupMenus>();
        m_windowMover = std::make_unique<QtWindowMover>();
    }
    m_platform.dialogs = m_dialogs.get();
    m_platform.chatWindow = m_chatWindow.get();
    m_platform.folderDialog = m_folderDialog.get();
    m_platform.tagReader = m_tagReader.get();
    m_platform.tray = m_tray.get();
    m_platform.popupMenus = m_popupMenus.get();
    m_platform.windowMover = m_windowMover.get();
    m_platform.stream = m_stream.get();
    m_platform.makeEngine = [] {
        return std::make_unique<MpvEngine>(MpvEngine::defaultAudioOutputs());
    };
    m_platform.programFolder = SettingsFolder::prepare(QCoreApplication::applicationDirPath());
}

AppWiring::~AppWiring() = default;

void AppWiring::connectDesktop(AppController &controller) {
    m_remote = std::make_unique<SessionRemote>();
    QObject::connect(&controller, &AppController::mainWindowCreated, m_remote.get(),
                     [this](MainWindow *window) {
                         m_remote->follow(&window->session(), window->tray().remoteView());
                     });
    registerDesktop();
}

void AppWiring::connectDesktop(Session &session, SessionRemote::View view) {
    m_remote = std::make_unique<SessionRemote>();
    m_remote->follow(&session, std::move(view));
    registerDesktop();
}

void AppWiring::registerDesktop() {
    m_mpris = std::make_unique<MprisService>(*m_remote);
    m_mpris->registerOn(QDBusConnection::sessionBus());
}
