#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real IRC server (Debian's ngircd) for the tests, on free loopback ports with a configuration
// of its own in a temporary folder; no system service is involved. With TLS it also listens on a
// second port with a self-signed certificate for "localhost" and 127.0.0.1, made by openssl.
class NgircdServer {
public:
    struct Options {
        QByteArray password; // empty: none
        bool tls = false;
    };

    explicit NgircdServer(Options options);
    ~NgircdServer();

    NgircdServer(const NgircdServer &) = delete;
    NgircdServer &operator=(const NgircdServer &) = delete;

    // The ngircd program, or an empty string where it is not installed.
    static QString executable();

    // Starts the server (again, on the same ports, after kill()) and waits until it takes
    // connections. False, with errorString() telling why, when it does not within 10 s.
    bool start();
    // Ends the server at once, as a crash would.
    void kill();

    quint16 port() const { return m_port; }
    quint16 tlsPort() const { return m_tlsPort; }
    // The server's certificate (PEM), for the client that is to trust it.
    QString certificateFile() const;
    QString errorString() const { return m_error; }
    QString log();

private:
    bool writeConfiguration();

    Options m_options;
    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_tlsPort = 0;
    bool m_configured = false;
    QString m_error;
    QByteArray m_log;
};
