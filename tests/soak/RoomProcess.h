#pragma once

#include <QProcess>
#include <QString>

// The real chat-room program, which the soak kills with SIGKILL and starts again. Its stderr is
// appended to one log over all its lives, for the sanitizers' reports.
class RoomProcess {
public:
    RoomProcess(QString program, QString logFile);
    ~RoomProcess();

    bool start();
    void kill();
    // True while the room runs; false once it ended, whether killed or on its own.
    bool running();
    // Set once the room ended without being killed: a crash.
    const QString &diedOnItsOwn() const { return m_died; }

private:
    QString m_program;
    QString m_logFile;
    QProcess m_process;
    bool m_killed = false;
    QString m_died;
};
