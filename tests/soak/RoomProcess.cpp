#include "RoomProcess.h"

#include <QCoreApplication>
#include <csignal>

RoomProcess::RoomProcess(QString program, QString logFile)
    : m_program(std::move(program)), m_logFile(std::move(logFile)) {
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_logFile, QIODevice::Append);
}

RoomProcess::~RoomProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            kill();
    }
}

bool RoomProcess::start() {
    m_killed = false;
    m_process.start(m_program, {});
    return m_process.waitForStarted(10000);
}

void RoomProcess::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_killed = true;
    ::kill(pid_t(m_process.processId()), SIGKILL);
    m_process.waitForFinished(10000);
}

bool RoomProcess::running() {
    QCoreApplication::processEvents();
    if (m_process.state() != QProcess::NotRunning)
        return true;
    if (!m_killed && m_died.isEmpty())
        m_died = QStringLiteral("the room ended on its own (exit status %1, %2)")
                     .arg(m_process.exitCode())
                     .arg(m_process.exitStatus() == QProcess::CrashExit ? "crashed" : "exited");
    return false;
}
