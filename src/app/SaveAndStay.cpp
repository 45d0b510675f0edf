#include "app/SaveAndStay.h"

#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "platform/ProductNames.h"
#include "session/CloseGuard.h"
#include "session/Log.h"
#include "session/SettingsStore.h"

#include <QTimer>
#include <QWidget>

SaveAndStay::SaveAndStay(Platform &platform, QWidget &window, CloseGuard &guard,
                         std::function<bool()> write)
    : m_platform(platform), m_window(window), m_guard(guard), m_write(std::move(write)) {}

void SaveAndStay::keepOpen(const QString &why) {
    m_keepOpen = true;
    qCWarning(lcPlayer, "%s", qPrintable(why));
    if (m_guard.origin() != CloseGuard::Origin::User)
        return;
    // Once the close has unwound and the window is open again, so that a close asked for while
    // the box waits is carried out as usual.
    QTimer::singleShot(0, &m_window, [this, why] { warn(why); });
}

bool SaveAndStay::reopen() {
    if (!m_keepOpen)
        return false;
    m_keepOpen = false;
    m_guard.reopened();
    return true;
}

void SaveAndStay::saveForSession() {
    m_quietSave = true;
    m_write();
    m_quietSave = false;
}

bool SaveAndStay::save(const QString &path, const QStringList &entries) {
    QString error;
    const bool saved = SettingsStore::SaveListToFile(path, entries, &error);
    if (!saved)
        saveFailed(path, error);
    return saved;
}

void SaveAndStay::saveFailed(const QString &path, const QString &error) {
    // The program ends anyway; the user learns where the settings could not go, and why.
    const QString message =
        QStringLiteral("The settings could not be saved to %1: %2").arg(path, error);
    qCWarning(lcPlayer, "%s", qPrintable(message));
    // Nobody waits at the screen when the system closes the program: a box would keep it from
    // ever ending. Nor may the session manager's save wait for one.
    if (m_guard.origin() == CloseGuard::Origin::User && !m_quietSave)
        warn(message);
}

void SaveAndStay::warn(const QString &text) {
    const CloseGuard::Hold hold(m_guard);
    m_platform.dialogs->warning(&m_window, product::name(), text);
}
