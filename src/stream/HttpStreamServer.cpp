#include "stream/HttpStreamServer.h"

#include "stream/StreamHub.h"
#include "stream/StreamListener.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <memory>

namespace {

// Connections that have not yet said what they want, beyond the listeners: enough for players
// that open a second connection, few enough that idle connections cannot pile up.
constexpr int kSpareConnections = 16;

} // namespace

HttpStreamServer::HttpStreamServer(StreamHub &hub, int maxListeners, int listenersPerAddress,
                                   QObject *parent)
    : QObject(parent), m_hub(hub), m_maxListeners(maxListeners), m_server(new QTcpServer(this)),
      m_quota(listenersPerAddress) {
    connect(m_server, &QTcpServer::newConnection, this, &HttpStreamServer::accept);
}

HttpStreamServer::~HttpStreamServer() = default;

int HttpStreamServer::bindSocket(const QHostAddress &address, quint16 port, quint16 *boundPort,
                                 QString *error) {
    QTcpServer probe;
    if (!probe.listen(address, port)) {
        *error = probe.errorString();
        return -1;
    }
    *boundPort = probe.serverPort();
    // The copy stays bound and listening when the probe closes its own; like Qt's own sockets it
    // is not inherited by programs the player starts (the chat room would keep the port).
    const int descriptor = ::fcntl(int(probe.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0)
        *error = QStringLiteral("cannot keep the listening socket");
    return descriptor;
}

bool HttpStreamServer::serve(int socketDescriptor) {
    return m_server->setSocketDescriptor(socketDescriptor);
}

void HttpStreamServer::accept() {
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        const QHostAddress peer = socket->peerAddress();
        // Closed at once, unanswered, so that turning a flood away costs next to nothing.
        if (m_connections >= m_maxListeners + kSpareConnections || !m_quota.startRequest(peer)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        struct Held {
            bool request = true;
            bool listener = false; // from the moment it is let in until its connection ends
        };
        auto held = std::make_shared<Held>();
        auto *listener = new StreamListener(
            socket, m_hub,
            [this, held, peer] {
                if (m_listeners >= m_maxListeners || !m_quota.startListener(peer))
                    return false;
                ++m_listeners;
                held->listener = true;
                return true;
            },
            this);
        const auto endRequest = [this, held, peer] {
            if (held->request)
                m_quota.endRequest(peer);
            held->request = false;
        };
        connect(listener, &StreamListener::requestRead, this, endRequest);
        const auto frames =
            connect(&m_hub, &StreamHub::frameReady, listener, &StreamListener::sendAudio);
        connect(listener, &StreamListener::finished, this, [this, held, frames, endRequest, peer] {
            disconnect(frames);
            endRequest();
            --m_connections;
            if (held->listener) {
                --m_listeners;
                m_quota.endListener(peer);
            }
        });
    }
}
