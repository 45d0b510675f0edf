#pragma once

#include "stream/StreamSettings.h"

#include <QObject>
#include <QString>
#include <optional>

class Session;
struct Platform;

// A player without a window, as on a server: one session, started with its load sequence and
// ended by a close of the system (a signal, the desktop's Quit), which writes the settings file
// exactly as a window's close sequence does. A close asked for while the session waits in a
// handler (the folder scan) runs once that wait is over.
class SessionRunner : public QObject {
    Q_OBJECT
public:
    explicit SessionRunner(Platform &platform, QObject *parent = nullptr);
    ~SessionRunner() override;

    Session &session() { return *m_session; }
    // Obeyed from the start instead of waiting to learn a name from the chat.
    void setScreenName(const QString &name) { m_screenName = name; }
    // Scanned after the load sequence, as Add Files would, and so remembered.
    void setLibraryFolder(const QString &folder) { m_libraryFolder = folder; }
    void setStream(const std::optional<StreamSettings> &stream) { m_stream = stream; }
    // --all-formats: switched on, and so remembered.
    void setAllFormats(bool on) { m_allFormats = on; }

    void start();
    void requestClose();

signals:
    // The settings are written (or could not be): the program's exit status, 1 when they could
    // not.
    void finished(int exitCode);

private:
    void close();

    Session *m_session;
    QString m_screenName;
    QString m_libraryFolder;
    std::optional<StreamSettings> m_stream;
    bool m_allFormats = false;
    bool m_closed = false;
};
