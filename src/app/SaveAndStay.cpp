#include "app/SaveAndStay.h"

#include "app/CloseGuard.h"
#include "app/SettingsStore.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

#include <QStringListModel>
#include <QTimer>
#include <QWidget>

#include <cstdio>

SaveAndStay::SaveAndStay(Platform &platform, QWidget &window, CloseGuard &guard,
                         std::function<bool()> write)
    : m_platform(platform), m_window(window), m_guard(guard), m_write(std::move(write)) {}

void SaveAndStay::keepOpen(const QString &why) {
    m_keepOpen = true;
    std::fprintf(stderr, "zandoramp: %s\n", qPrintable(why));
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

bool SaveAndStay::save(const QString &path, QStringListModel &list, bool clearList) {
    QString error;
    const bool saved = SettingsStore::SaveListToFile(path, list.stringList(), &error);
    if (!saved)
        saveFailed(path, error);
    if (clearList)
        list.setStringList({});
    return saved;
}

void SaveAndStay::saveFailed(const QString &path, const QString &error) {
    // The program ends anyway; the user learns where the settings could not go, and why.
    const QString message =
        QStringLiteral("The settings could not be saved to %1: %2").arg(path, error);
    std::fprintf(stderr, "zandoramp: %s\n", qPrintable(message));
    // Nobody waits at the screen when the system closes the program: a box would keep it from
    // ever ending. Nor may the session manager's save wait for one.
    if (m_guard.origin() == CloseGuard::Origin::User && !m_quietSave)
        warn(message);
}

void SaveAndStay::warn(const QString &text) {
    const CloseGuard::Hold hold(m_guard);
    m_platform.dialogs->warning(&m_window, QStringLiteral("zandor amp"), text);
}
