#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real Mumble server (Debian's murmurd) for the tests, on a free loopback port with an ini of
// its own in a temporary folder; no system service is involved. It has the server password
// "letmein", a certificate made by openssl that names no host (as the one a server makes for
// itself), the channel "music", a SuperUser password, no flood limit and no ban for reconnecting
// often, and client certificates for the accounts alice, bob and mallory, of which bob is
// registered under his name. The database lives in the folder, so the channel and the
// registration outlast kill() + start().
class MumbleServer {
public:
    MumbleServer();
    ~MumbleServer();

    MumbleServer(const MumbleServer &) = delete;
    MumbleServer &operator=(const MumbleServer &) = delete;

    // The murmurd program, or an empty string where it is not installed.
    static QString executable();

    // Starts the server (again, on the same port, after kill()) and waits until it takes clients
    // and has the channel. False, with errorString() telling why, when it does not within 15 s.
    bool start();
    // Ends the server at once, as a crash would.
    void kill();

    quint16 port() const { return m_port; }
    QString certificateFile() const;
    QByteArray superUserPassword() const { return "superpass"; }
    // A PEM file with the account's certificate and key, and the hash the server shows for it.
    QString accountCertificate(const QByteArray &account) const;
    QString accountHash(const QByteArray &account) const;
    QString errorString() const { return m_error; }
    QString log();

private:
    bool configure();
    bool makeChannel();
    bool registerBob();

    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_configured = false;
    bool m_registered = false;
    QString m_error;
    QByteArray m_output;
};
