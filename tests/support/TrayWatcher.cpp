#include "support/TrayWatcher.h"

namespace {
const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

TrayWatcher::TrayWatcher(QDBusConnection bus) : m_bus(bus) {
    registered = m_bus.registerObject(kPath, this,
                                      QDBusConnection::ExportAllSlots |
                                          QDBusConnection::ExportAllProperties |
                                          QDBusConnection::ExportAllSignals) &&
                 m_bus.registerService(kService);
}

TrayWatcher::~TrayWatcher() {
    m_bus.unregisterService(kService);
    m_bus.unregisterObject(kPath);
}

void TrayWatcher::RegisterStatusNotifierItem(const QString &service) {
    items << service;
    emit StatusNotifierItemRegistered(service);
}
