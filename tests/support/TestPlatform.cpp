#include "support/TestPlatform.h"

#include "platform/MpvEngine.h"
#include "platform/TagLibReader.h"

#include <QDir>
#include <QFile>

TestPlatform::TestPlatform(Engine engine) {
    m_platform.dialogs = &dialogs;
    m_platform.chatWindow = &chat;
    m_platform.folderDialog = &folders;
    m_platform.tray = &tray;
    m_platform.popupMenus = &menus;
    m_platform.windowMover = &mover;
    m_platform.programFolder = programFolder.path();
    if (engine == Engine::Mpv) {
        m_tagLib = std::make_unique<TagLibReader>();
        m_platform.tagReader = m_tagLib.get();
        m_platform.makeEngine = [] {
            return std::make_unique<MpvEngine>(QStringLiteral("null"));
        };
    } else {
        m_platform.tagReader = &tags;
        m_platform.makeEngine = [this] {
            auto fake = std::make_unique<FakeMediaEngine>();
            engines << fake.get();
            return fake;
        };
    }
}

TestPlatform::~TestPlatform() = default;

QString TestPlatform::settingsPath() const {
    return QDir(programFolder.path()).filePath(QStringLiteral("zandoramp.ini"));
}

void TestPlatform::writeSettings(const QByteArray &bytes) {
    QFile file(settingsPath());
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray TestPlatform::readSettings() const {
    QFile file(settingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

FakeMediaEngine *TestPlatform::lastEngine() const {
    return engines.isEmpty() ? nullptr : engines.last().data();
}
