#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real XMPP server (Debian's prosody) for the tests, on a free loopback port with a
// configuration of its own in a temporary folder; no system service is involved. It serves the
// domain "localhost" with a self-signed certificate made by openssl (STARTTLS offered, not
// required), group chats on "conference.localhost" where everyone sees the members' real JIDs and
// on "anon.localhost" where they do not, and the accounts alice, bob, mallory and zandoramp, all
// with the password "letmein". The accounts live in the folder, so they outlast kill() + start().
class ProsodyServer {
public:
    ProsodyServer();
    ~ProsodyServer();

    ProsodyServer(const ProsodyServer &) = delete;
    ProsodyServer &operator=(const ProsodyServer &) = delete;

    // The prosody program, or an empty string where it is not installed.
    static QString executable();

    // Starts the server (again, on the same port, after kill()) and waits until it greets a
    // client. False, with errorString() telling why, when it does not within 10 s.
    bool start();
    // Ends the server at once, as a crash would.
    void kill();
    // Makes the account user@localhost, whether the server runs or not.
    bool registerUser(const QByteArray &user, const QByteArray &password);

    quint16 port() const { return m_port; }
    // The server's certificate (PEM), for the client that is to trust it.
    QString certificateFile() const;
    QString errorString() const { return m_error; }
    QString log();

private:
    bool configure();
    bool greetsClients();

    QTemporaryDir m_folder;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_configured = false;
    QString m_error;
    QByteArray m_output;
};
