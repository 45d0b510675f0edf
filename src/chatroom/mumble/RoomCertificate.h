#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// The room's own identity on a Mumble server: a client certificate with its key. Mumble knows a
// user by the certificate's SHA-1 hash, so the room keeps one: from a PEM file the user gives
// (certificate and key in one file), or one the room makes at its first start (RSA 2048, valid
// for 20 years) and keeps in its settings folder, readable by its user only.
class RoomCertificate {
public:
    // Reads `file`; an empty errorString() when it held a certificate and its key.
    static RoomCertificate fromFile(const QString &file);
    // The one kept in `folder`, made there first when there is none yet.
    static RoomCertificate ownIn(const QString &folder);
    // Where the room keeps its settings: $XDG_CONFIG_HOME/chatroom (~/.config/chatroom).
    static QString settingsFolder();

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QSslCertificate certificate() const { return m_certificate; }
    QSslKey key() const { return m_key; }
    // What a server shows as the user's hash: the SHA-1 of the certificate, in lower-case hex.
    QString hash() const;
    QString file() const { return m_file; }

private:
    static RoomCertificate fromPem(const QByteArray &pem, const QString &file);
    static QByteArray make(QString *error);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QString m_file;
    QString m_error;
};
