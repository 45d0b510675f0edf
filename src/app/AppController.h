#pragma once

#include "stream/StreamSettings.h"

#include <QObject>
#include <QPointer>
#include <optional>

class MainWindow;
class RestartWindow;
struct Platform;

// Keeps the program's one main window: creates it (its load sequence runs), restarts it for
// Clear Settings, and ends the program when it closes for good.
class AppController : public QObject {
    Q_OBJECT
public:
    explicit AppController(Platform &platform, QObject *parent = nullptr);

    // A name given on the command line: every main window starts with it instead of waiting
    // for the user to set one. Empty leaves the windows as they are.
    void setScreenName(const QString &name) { m_screenName = name; }
    // A folder given on the command line: the first main window scans it after its load
    // sequence, as Add Files would, so that it becomes the remembered library folder.
    void setLibraryFolder(const QString &folder) { m_libraryFolder = folder; }
    // A stream given on the command line: every main window streams it, and remembers it.
    void setStream(const std::optional<StreamSettings> &stream) { m_stream = stream; }
    // --all-formats: every main window switches "All Formats" on, and remembers it.
    void setAllFormats(bool on) { m_allFormats = on; }
    void start();
    MainWindow *mainWindow() const;
    // A close request of the system (a signal, the session ending): the close sequence runs, at
    // once or as soon as the window's own waits and boxes have ended, and the program ends.
    void closeMainWindow();
    // The desktop session may end: the settings are saved now, and the program goes on. Another
    // program may still cancel the logout; when the session does end, the close follows.
    void commitSessionData();

signals:
    // A new main window exists; its load sequence runs next.
    void mainWindowCreated(MainWindow *window);
    // The main window closed and no restart follows: the program's exit status, non-zero when
    // the settings could not be saved.
    void finished(int exitCode);

private:
    void createMainWindow();
    void restart();
    void mainWindowClosed(bool settingsSaved);

    Platform &m_platform;
    QPointer<MainWindow> m_main;
    // The window that ends the program when it goes; compared by address only, since by then it
    // is no longer a MainWindow.
    const QObject *m_current = nullptr;
    QPointer<RestartWindow> m_restart;
    QString m_screenName;
    QString m_libraryFolder;
    std::optional<StreamSettings> m_stream;
    bool m_allFormats = false;
    bool m_quitRequested = false;
    int m_exitCode = 0;
};
