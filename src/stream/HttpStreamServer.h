#pragma once

#include "stream/ConnectionQuota.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpServer;
class StreamHub;
class StreamListener;

// Our own stream server: serves the hub's stream over HTTP to at most `maxListeners` listeners
// at once, at most `listenersPerAddress` of them from one address (the next one is told 503), on
// the stream's thread. The listening socket is made on
// the thread that starts the stream, so that a port in use is known at once, and taken over here.
class HttpStreamServer : public QObject {
    Q_OBJECT
public:
    HttpStreamServer(StreamHub &hub, int maxListeners, int listenersPerAddress,
                     QObject *parent = nullptr);
    ~HttpStreamServer() override;

    // A listening socket on address:port (0: one the kernel picks), for serve(); -1 with
    // `error` set when it cannot be had. Any thread.
    static int bindSocket(const QHostAddress &address, quint16 port, quint16 *boundPort,
                          QString *error);
    // Takes over the socket from bindSocket() and serves on it (on the stream's thread).
    bool serve(int socketDescriptor);

    int listenerCount() const { return m_listeners; }

private:
    void accept();

    StreamHub &m_hub;
    int m_maxListeners;
    QTcpServer *m_server;
    ConnectionQuota m_quota;
    int m_connections = 0;
    int m_listeners = 0;
};
