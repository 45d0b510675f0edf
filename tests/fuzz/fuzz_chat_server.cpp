// Our chat room serving arbitrary requests from a client over its real socket. The input's bytes
// are what the client sends (in two writes, cut where the first byte says). Every answer must
// be what the protocol asks for, in order: OK frames, then ERR and the end of the connection at
// the first broken or unknown request; a transcript that was SET reads back byte for byte.
#include "FrameModel.h"
#include "FuzzInput.h"

#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomConnection.h"
#include "chatroom/ChatRoomServer.h"
#include "platform/ChatFrame.h"

#include <QEventLoop>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QTemporaryDir *folder = nullptr;
ChatRoom *room = nullptr;
ChatRoomServer *server = nullptr;

const QTime kNow(12, 0, 0);

int connectToRoom() {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = server->socketPath().toLocal8Bit();
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    FUZZ_CHECK(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    return fd;
}

void writeAll(int fd, const QByteArray &bytes) {
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EAGAIN) {
            QCoreApplication::processEvents();
            continue;
        }
        if (n <= 0)
            return; // the room closed the connection after refusing
        sent += n;
    }
}

// Lets the room work until it has been quiet for a while; returns what it sent and whether it
// closed the connection.
QByteArray collect(int fd, bool *closed) {
    QByteArray got;
    *closed = false;
    for (int quiet = 0; quiet < 4 && !*closed;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, n);
            quiet = 0;
        } else if (n == 0) {
            *closed = true;
        } else {
            ++quiet;
        }
    }
    return got;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::ensureApplication();
    folder = new QTemporaryDir();
    FUZZ_CHECK(folder->isValid());
    room = new ChatRoom(QStringLiteral("Room <User>"));
    room->setClock([] { return kNow; });
    // Every line is due at once: the requests here are about the protocol, not about pacing.
    room->pacer().setClock(
        [n = std::chrono::milliseconds(0)]() mutable { return n += LinePacer::hold; });
    server = new ChatRoomServer(room);
    FUZZ_CHECK(server->listen(folder->filePath(QStringLiteral("room"))) ==
               ChatRoomServer::Result::Serving);
    std::atexit([] {
        delete server;
        delete room;
        delete folder;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray requests = fuzz::bytes(data + 1, size - 1);
    const qsizetype cut = qMin<qsizetype>(data[0], requests.size());
    room->setTranscriptUtf8("<BR>before");
    room->setInput(QString());

    const int fd = connectToRoom();
    writeAll(fd, requests.left(cut));
    QCoreApplication::processEvents();
    writeAll(fd, requests.mid(cut));
    bool closed = false;
    const QByteArray answers = collect(fd, &closed);
    ::close(fd);

    // What the room must have answered, request by request.
    QByteArray transcript = "<BR>before";
    QString input;
    QByteArray expected;
    bool refused = false;
    for (qsizetype at = 0; at < requests.size();) {
        const fuzz::ModelFrame request = fuzz::modelFrame(requests, at);
        if (request.kind == fuzz::ModelFrame::Partial)
            break;
        if (request.kind == fuzz::ModelFrame::Broken) {
            refused = true;
            break;
        }
        at += request.size;
        QByteArray payload;
        if (request.verb == "GET") {
            payload = transcript;
        } else if (request.verb == "SET") {
            transcript = request.payload;
        } else if (request.verb == "INPUT") {
            input = ChatFrame::decodeText(request.payload);
        } else if (request.verb == "USER") {
            payload = QByteArrayLiteral("Room <User>");
        } else if (request.verb == "SEND") {
            if (!input.isEmpty()) {
                if (input.toUtf8().size() > ChatRoom::maxLineBytes) {
                    refused = true;
                    break;
                }
                transcript +=
                    ChatRoom::formatLine(QStringLiteral("Room <User>"), input, kNow).toUtf8();
                input.clear();
            }
        } else {
            refused = true;
            break;
        }
        expected += ChatFrame::encode("OK", payload);
    }

    // The answers are the expected OK frames, then one ERR frame when a request was refused.
    FUZZ_CHECK(answers.startsWith(expected));
    const QByteArray rest = answers.mid(expected.size());
    if (refused) {
        const fuzz::ModelFrame err = fuzz::modelFrame(rest, 0);
        FUZZ_CHECK(err.kind == fuzz::ModelFrame::Whole && err.verb == "ERR" &&
                   err.size == rest.size() && !err.payload.isEmpty());
        FUZZ_CHECK(closed);
    } else {
        FUZZ_CHECK(rest.isEmpty());
    }
    FUZZ_CHECK(room->transcriptUtf8() == transcript);
    FUZZ_CHECK(room->input() == input);

    // A connection the client closed goes away: nothing piles up between clients.
    for (int round = 0; round < 100 && !server->findChildren<ChatRoomConnection *>().isEmpty();
         ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    FUZZ_CHECK(server->findChildren<ChatRoomConnection *>().isEmpty());
    return 0;
}
