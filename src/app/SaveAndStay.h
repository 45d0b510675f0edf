#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class CloseGuard;
class QWidget;
struct Platform;

// The main window's settings are written and the window goes on: for the session manager, which
// saves before a logout that another program may yet cancel, and after a close whose restart
// could not delete the settings file. It also tells of a settings file that could not be
// written, which neither a close of the system nor the session's save may wait on.
class SaveAndStay {
public:
    // `write` stores the window's texts and writes the settings file, true when it was written.
    SaveAndStay(Platform &platform, QWidget &window, CloseGuard &guard,
                std::function<bool()> write);

    // Called while the close sequence runs: the window stays open after it, and the user learns
    // why (in a box after a close of the user, on stderr in any case).
    void keepOpen(const QString &why);
    // Asked once the close sequence has run: true when the window goes on, shown, in which case
    // the guard takes closes again. The settings are written by then, and the tray icon and the
    // menu form are gone (made again when needed).
    bool reopen();
    // The close sequence's writes without the close, for a session that may end: the five texts
    // are stored and the settings file written; a failure is told on stderr only.
    void saveForSession();
    // Writes the entries to the file, telling the user of a failure.
    bool save(const QString &path, const QStringList &entries);

private:
    void saveFailed(const QString &path, const QString &error);
    void warn(const QString &text);

    Platform &m_platform;
    QWidget &m_window;
    CloseGuard &m_guard;
    std::function<bool()> m_write;
    bool m_keepOpen = false;
    bool m_quietSave = false;
};
