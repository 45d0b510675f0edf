#pragma once

#include "platform/Platform.h"
#include "support/FakeChatWindow.h"
#include "support/FakeDialogs.h"
#include "support/FakeMediaEngine.h"
#include "support/FakeShell.h"
#include "support/FakeTagReader.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTemporaryDir>
#include <memory>

class TagLibReader;

// The five template entries as the close sequence writes them from the design texts.
inline const QByteArray kDesignTemplates =
    "csplplaying %s by %a, duration %d, number %n, bitrate %b\r\n"
    "csstMedia Stopped\r\n"
    "cspaMedia Paused\r\n"
    "csfffast forwarding, use play to resume normal playing...\r\n"
    "csfrrast reversing, use play to resume normal playing...\r\n";

// A platform made of fakes around a temporary program folder, for main-window tests. With
// Engine::Mpv the player is real (libmpv with the null audio output) and tags are read by TagLib.
class TestPlatform {
public:
    enum class Engine { Fake, Mpv };

    explicit TestPlatform(Engine engine = Engine::Fake);
    ~TestPlatform();

    Platform &platform() { return m_platform; }

    QString settingsPath() const;
    void writeSettings(const QByteArray &bytes);
    // The settings file's bytes, or "<missing>".
    QByteArray readSettings() const;
    // The engine of the main window made last (fake engines only).
    FakeMediaEngine *lastEngine() const;

    QTemporaryDir programFolder;
    FakeDialogs dialogs;
    FakeChatWindow chat;
    FakeFolderDialog folders;
    FakeTagReader tags;
    FakeTray tray;
    FakePopupMenus menus;
    FakeWindowMover mover;
    QList<QPointer<FakeMediaEngine>> engines;

private:
    std::unique_ptr<TagLibReader> m_tagLib;
    Platform m_platform;
};
