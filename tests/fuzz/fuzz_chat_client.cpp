// The player's chat client reading whatever a room answers. A room of our own making listens on
// a private socket and answers each request with the input's bytes (after its first byte), then
// closes the connection, or, when the first byte's top bit is set, keeps it open. The client
// must take exactly a single OK frame as the answer and anything else as no chat window.
#include "FrameModel.h"
#include "FuzzInput.h"

#include "platform/ChatFrame.h"
#include "platform/ChatRoomClient.h"

#include <QTemporaryDir>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

QTemporaryDir *folder = nullptr;
QString socketPath;
int listener = -1;

// Reads one request (the client's frames are always whole and well-formed) so that the answer
// comes after it, as a room's would.
void readRequest(int fd) {
    QByteArray got;
    char buffer[4096];
    for (;;) {
        const fuzz::ModelFrame frame = fuzz::modelFrame(got, 0);
        if (frame.kind != fuzz::ModelFrame::Partial)
            return;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        got.append(buffer, n);
    }
}

void answer(const QByteArray &reply, bool keepOpen) {
    const int fd = ::accept(listener, nullptr, nullptr);
    FUZZ_CHECK(fd >= 0);
    readRequest(fd);
    for (qsizetype sent = 0; sent < reply.size();) {
        const ssize_t n =
            ::send(fd, reply.constData() + sent, size_t(reply.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
    }
    if (keepOpen) {
        // Until the client gives up on us.
        char c;
        while (::read(fd, &c, 1) > 0) {
        }
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::ensureApplication();
    folder = new QTemporaryDir();
    FUZZ_CHECK(folder->isValid());
    socketPath = folder->filePath(QStringLiteral("room"));
    listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath.toLocal8Bit();
    FUZZ_CHECK(size_t(path.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    FUZZ_CHECK(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    FUZZ_CHECK(::listen(listener, 4) == 0);
    std::atexit([] {
        ::close(listener);
        delete folder;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const bool keepOpen = data[0] & 0x80;
    const bool askText = data[0] & 1;
    const QByteArray reply = fuzz::bytes(data + 1, size - 1);

    // The one answer the protocol allows: a single OK frame and nothing after it.
    const fuzz::ModelFrame frame = fuzz::modelFrame(reply, 0);
    const bool valid =
        frame.kind == fuzz::ModelFrame::Whole && frame.size == reply.size() && frame.verb == "OK";

    // A closed connection never makes the client wait for its budget, so a generous one only
    // guards against a slow machine; an open one always costs the whole budget when the answer
    // is incomplete, so that one is short, and a whole answer missed in it is asked for again
    // with a budget a working client never needs.
    const auto ask = [&](auto request) {
        const auto once = [&](int budgetMs) {
            ChatRoomClient client(socketPath, budgetMs);
            std::thread room(answer, reply, keepOpen);
            const auto got = request(client);
            room.join();
            return got;
        };
        const auto got = once(keepOpen ? 30 : 5000);
        return valid && keepOpen && got == decltype(got){} ? once(5000) : got;
    };
    const auto answers = [&] {
        return ask([](ChatRoomClient &client) { return client.roomAnswers(); });
    };
    if (askText) {
        const QString text = ask([](ChatRoomClient &client) { return client.transcript(); });
        FUZZ_CHECK(text == (valid ? ChatFrame::decodeText(frame.payload) : QString()));
        // An empty transcript and no room look alike: the room must answer exactly when valid.
        if (text.isEmpty())
            FUZZ_CHECK(answers() == valid);
    } else {
        FUZZ_CHECK(answers() == valid);
    }
    return 0;
}
