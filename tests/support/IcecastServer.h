#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real Icecast server (Debian's icecast2) for the tests, on a free loopback port with a
// configuration of its own in a temporary folder; no system service is involved.
class IcecastServer {
public:
    static constexpr char kSourcePassword[] = "hackme-source";

    IcecastServer();
    ~IcecastServer();
    IcecastServer(const IcecastServer &) = delete;
    IcecastServer &operator=(const IcecastServer &) = delete;

    // The icecast2 program, or an empty string where it is not installed.
    static QString executable();

    // Starts the server (again, on the same port, after kill()) and waits until it takes
    // connections; false, with errorString() telling why, when it does not within 10 s.
    bool start();
    // Ends the server at once, as a crash would.
    void kill();

    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }
    // /status-json.xsl, as a listener's browser would fetch it; empty when it cannot be had.
    QByteArray status() const;

private:
    bool writeConfiguration();

    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_configured = false;
    QString m_error;
};
