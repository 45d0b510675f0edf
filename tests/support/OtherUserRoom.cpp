#include "support/OtherUserRoom.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Only async-signal-safe calls from here on: the test process has threads, so the child of a
// fork must not take a lock or allocate.
[[noreturn]] void runChild(const sockaddr_un &address, uid_t uid, gid_t gid, bool live, int ready,
                           int log, const QByteArray &answer) {
    char status = 'x';
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
        (void)::write(ready, &status, 1);
        ::_exit(1);
    }
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (server < 0 ||
        ::bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        (live && ::listen(server, 8) != 0)) {
        (void)::write(ready, &status, 1);
        ::_exit(1);
    }
    status = 'y';
    (void)::write(ready, &status, 1);
    if (!live)
        ::_exit(0);
    for (;;) {
        const int client = ::accept(server, nullptr, nullptr);
        if (client < 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(client, buffer, sizeof buffer);
        if (got > 0) {
            (void)::write(log, buffer, size_t(got));
            (void)::write(client, answer.constData(), size_t(answer.size()));
        }
        ::close(client);
    }
}

} // namespace

OtherUserRoom::OtherUserRoom(const QString &path, State state) {
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody || ::geteuid() != 0)
        return;
    m_uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    m_userName = QString::fromLocal8Bit(nobody->pw_name);

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const QByteArray answer = "OK " + QByteArray::number(transcript().size()) + "\n" + transcript();

    int ready[2];
    int log[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return;
    if (::pipe2(log, O_CLOEXEC) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return;
    }
    m_child = ::fork();
    if (m_child == 0)
        runChild(address, m_uid, gid, state == State::Live, ready[1], log[1], answer);
    ::close(ready[1]);
    ::close(log[1]);
    m_log = log[0];
    char status = 0;
    m_valid = m_child > 0 && ::read(ready[0], &status, 1) == 1 && status == 'y';
    ::close(ready[0]);
    if (state == State::Stale && m_child > 0) {
        ::waitpid(m_child, nullptr, 0);
        m_child = -1;
    }
}

OtherUserRoom::~OtherUserRoom() {
    stop();
    if (m_log >= 0)
        ::close(m_log);
}

QByteArray OtherUserRoom::heard() {
    stop();
    QByteArray bytes;
    char buffer[4096];
    // The child is gone, so the pipe ends after what it wrote.
    for (ssize_t got; m_log >= 0 && (got = ::read(m_log, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        bytes.append(buffer, got);
    }
    return bytes;
}

QByteArray OtherUserRoom::transcript() {
    return QByteArrayLiteral(R"(<BR><FONT COLOR="#0000ff"><B>mallory</B></FONT><FONT )"
                             R"(COLOR="#000000">: r queen<!-- (12:00:00) --></FONT>)");
}

void OtherUserRoom::stop() {
    if (m_child <= 0)
        return;
    ::kill(m_child, SIGKILL);
    ::waitpid(m_child, nullptr, 0);
    m_child = -1;
}
