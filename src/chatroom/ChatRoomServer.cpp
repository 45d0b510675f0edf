#include "chatroom/ChatRoomServer.h"

#include "chatroom/ChatRoomConnection.h"
#include "platform/ChatSocketPath.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr int liveCheckTimeoutMs = 250;

enum class Occupant { Nothing, LiveRoom, StaleSocket, OtherFile, OtherUsersFile, OtherUsersRoom };

struct Found {
    Occupant occupant = Occupant::Nothing;
    uint user = 0; // the other user: the file's owner, or the one the serving process runs as
};

Found occupant(const QString &path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    // Checked before anything else: another user's file is not probed, used or removed.
    if (uint(info.st_uid) != ChatSocketPath::ownUserId())
        return {Occupant::OtherUsersFile, uint(info.st_uid)};
    if (!S_ISSOCK(info.st_mode))
        return {Occupant::OtherFile};
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.state() != QLocalSocket::ConnectedState &&
        !probe.waitForConnected(liveCheckTimeoutMs))
        return {Occupant::StaleSocket};
    const std::optional<uint> peer = ChatSocketPath::peerUserId(probe.socketDescriptor());
    if (peer && *peer != ChatSocketPath::ownUserId())
        return {Occupant::OtherUsersRoom, *peer};
    return {Occupant::LiveRoom};
}

} // namespace

ChatRoomServer::ChatRoomServer(ChatRoom *room, QObject *parent)
    : QObject(parent), m_room(room), m_server(new QLocalServer(this)) {
    // QLocalServer makes such a socket in a private folder, sets its mode and only then renames
    // it into place, so it is never reachable with wider permissions.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &ChatRoomServer::acceptConnections);
}

ChatRoomServer::~ChatRoomServer() {
    close();
}

void ChatRoomServer::setIdleTimeout(std::chrono::milliseconds timeout) {
    m_idleTimeout = timeout;
}

ChatRoomServer::Result ChatRoomServer::listen(const QString &socketPath) {
    close();
    m_socketPath = socketPath;
    m_error.clear();

    // The option-based listen renames its socket over whatever is at the path, so a live room
    // has to be recognised here or it would silently lose its socket.
    const Found found = occupant(socketPath);
    switch (found.occupant) {
    case Occupant::LiveRoom:
        m_result = Result::RoomAlreadyRunning;
        return m_result;
    case Occupant::OtherUsersFile:
        return fail(tr("%1 belongs to another user, %2; it is neither used nor removed")
                        .arg(socketPath, ChatSocketPath::describeUser(found.user)));
    case Occupant::OtherUsersRoom:
        return fail(tr("a process of another user, %2, serves %1; it is neither used nor removed")
                        .arg(socketPath, ChatSocketPath::describeUser(found.user)));
    case Occupant::OtherFile:
        return fail(tr("%1 exists and is not a socket").arg(socketPath));
    case Occupant::StaleSocket:
        if (!QLocalServer::removeServer(socketPath))
            return fail(tr("cannot remove the stale socket %1").arg(socketPath));
        break;
    case Occupant::Nothing:
        break;
    }

    if (!m_server->listen(socketPath))
        return fail(m_server->errorString());

    // The option gives the owner rwx; the socket needs only read and write.
    const QByteArray encoded = QFile::encodeName(socketPath);
    struct stat info {};
    QString problem;
    if (::chmod(encoded.constData(), S_IRUSR | S_IWUSR) != 0 ||
        ::stat(encoded.constData(), &info) != 0)
        problem = QString::fromLocal8Bit(std::strerror(errno));
    else if ((info.st_mode & 07777) != 0600)
        problem = tr("its mode is %1").arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    if (!problem.isEmpty()) {
        m_server->close();
        return fail(tr("cannot make %1 private to its owner: %2").arg(socketPath, problem));
    }

    m_result = Result::Serving;
    return m_result;
}

void ChatRoomServer::close() {
    if (m_server->isListening())
        m_server->close();
    m_result = Result::Failed;
}

bool ChatRoomServer::isServing() const {
    return m_server->isListening();
}

QString ChatRoomServer::statusText() const {
    switch (m_result) {
    case Result::Serving:
        return tr("Serving the chat room on %1").arg(m_socketPath);
    case Result::RoomAlreadyRunning:
        return tr("Not serving: another chat room is already running on %1").arg(m_socketPath);
    case Result::Failed:
        break;
    }
    if (m_error.isEmpty())
        return tr("Not serving");
    return tr("Not serving: %1").arg(m_error);
}

void ChatRoomServer::acceptConnections() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // The socket's mode keeps other users out; this holds even if the mode was widened.
        if (ChatSocketPath::peerUserId(socket->socketDescriptor()) != ChatSocketPath::ownUserId()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new ChatRoomConnection(socket, m_room, m_idleTimeout, this);
    }
}

ChatRoomServer::Result ChatRoomServer::fail(const QString &error) {
    m_error = error;
    m_result = Result::Failed;
    return m_result;
}
