#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

// What to stream and where: our own HTTP server on ADDRESS:PORT, an Icecast mount to push to, or
// both, with the encoding and the address the room is told. Read from the command line and kept
// in the settings file as the texts the user gave.
class StreamSettings {
public:
    static constexpr quint16 kDefaultPort = 8000;
    static constexpr quint16 kIcecastDefaultPort = 8000;
    static constexpr int kDefaultBitrate = 128;
    static constexpr int kDefaultListeners = 32;
    static constexpr int kMaxListeners = 1000;

    // Our own server; an empty address means none.
    QHostAddress listenAddress;
    quint16 listenPort = 0;

    // The Icecast mount; an empty host means none.
    QString icecastUser = QStringLiteral("source");
    QString icecastHost;
    quint16 icecastPort = kIcecastDefaultPort;
    QString icecastMount;
    QString passwordFile;

    int bitrate = kDefaultBitrate;
    int maxListeners = kDefaultListeners;
    // How many of them may listen from one address; 0 for a quarter of maxListeners, so that
    // one machine cannot take every place.
    int maxListenersPerAddress = 0;
    // --stream-url: the address the room is told, for a port forwarded through a router.
    QString publicUrl;

    bool serves() const { return !listenAddress.isNull(); }
    bool pushes() const { return !icecastHost.isEmpty(); }
    bool isOn() const { return serves() || pushes(); }
    // The listeners one address may have at once, as the server applies it.
    int listenersPerAddress() const;

    // "[ADDRESS:]PORT": "8000", "0.0.0.0:8000", "[::]:8000". Empty when it reads; else why not.
    QString setListen(const QString &text);
    // "icecast://[USER@]HOST[:PORT]/MOUNT".
    QString setIcecast(const QString &text);
    QString setBitrate(const QString &text);
    QString setMaxListeners(const QString &text);
    QString setMaxListenersPerAddress(const QString &text);
    QString setPublicUrl(const QString &text);

    // The texts that read back as the same settings.
    QString listenText() const;
    QString icecastText() const;

    // The first line of the password file; empty, with `error` set, when there is none.
    static QByteArray readPassword(const QString &file, QString *error);

    // The server of our own on 127.0.0.1 at the default port, and nothing else.
    static StreamSettings localDefault();

    // What a listener opens: --stream-url, else the Icecast mount, else our own server (by the
    // machine's host name when it listens on every address). Empty when nothing streams.
    QString url() const;

    bool operator==(const StreamSettings &other) const;
};
