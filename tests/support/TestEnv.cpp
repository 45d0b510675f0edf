#include "support/TestEnv.h"

#include "app/MainWindow.h"
#include "library/Library.h"
#include "player/MediaPlayer.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testenv {

QString mediaDir() {
    return QStringLiteral(ZAMP_TEST_MEDIA_DIR);
}

QString media(const QString &name) {
    return mediaDir() + QLatin1Char('/') + name;
}

QString binaryDir() {
    return QStringLiteral(ZAMP_BINARY_DIR);
}

bool copyToByteName(const QString &from, const QByteArray &to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = in.readAll();
    const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    ::close(fd);
    return ok;
}

bool makeStaleSocket(const QString &path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

OtherUserAnswer askAsOtherUser(const QString &path, const QByteArray &request) {
    using Outcome = OtherUserAnswer::Outcome;
    OtherUserAnswer result;
    const passwd *nobody = ::getpwnam("nobody");
    int answer[2];
    if (!nobody || ::pipe2(answer, O_CLOEXEC) != 0)
        return result;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    // The child's exit status is its outcome: an empty answer alone cannot tell a room that hung
    // up from a child that never got that far.
    const pid_t child = ::fork();
    if (child == 0) {
        // Async-signal-safe calls only: the test process has threads.
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(int(Outcome::NotRun));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const timeval quiet{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            ::_exit(int(Outcome::NotConnected));
        // A room that hangs up at once may do so before the request is written.
        (void)::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
        char buffer[4096];
        ssize_t got;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
            (void)::write(answer[1], buffer, size_t(got));
        const bool hungUp = got == 0 || errno == ECONNRESET || errno == EPIPE;
        ::_exit(int(hungUp ? Outcome::HungUp : Outcome::WentQuiet));
    }
    ::close(answer[1]);
    char buffer[4096];
    for (ssize_t got; child > 0 && (got = ::read(answer[0], buffer, sizeof buffer)) > 0;)
        result.bytes.append(buffer, got);
    ::close(answer[0]);
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.outcome = Outcome(WEXITSTATUS(status));
    return result;
}

QString failureAsOtherUser(const char *function, const char *row) {
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody)
        return QStringLiteral("no user nobody");
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    // Root's home and runtime folder are closed to nobody.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), QDir::tempPath());
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    child.setProcessEnvironment(environment);
    child.setChildProcessModifier([uid, gid] {
        // Between fork and exec: async-signal-safe calls only.
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(126);
    });
    const QString name = QString::fromLatin1(function);
    child.start(QCoreApplication::applicationFilePath(),
                {row ? name + QLatin1Char(':') + QString::fromLatin1(row) : name});
    child.waitForFinished(120000);
    const QString output = QString::fromLocal8Bit(child.readAll());
    // A skip passes too, and so would a name that matched no row: this row must run and pass.
    const QRegularExpression passed(
        QStringLiteral("^PASS   : \\w+::%1\\(%2\\)$")
            .arg(name, QRegularExpression::escape(QString::fromLatin1(row ? row : ""))),
        QRegularExpression::MultilineOption);
    if (child.exitCode() == 0 && output.contains(passed) && !output.contains("SKIP   : "))
        return QString();
    return QStringLiteral("as nobody, exit code %1:\n%2").arg(child.exitCode()).arg(output);
}

bool warmUpEngine(MainWindow &window) {
    window.session().player().setURL(window.session().songs().fullPath(0));
    const bool advanced =
        QTest::qWaitFor([&] { return window.session().player().currentPosition() > 0; }, 10000);
    window.session().player().stop();
    return advanced;
}

std::optional<bool> startedByAnnouncementCheck(MainWindow &window,
                                               const std::function<void()> &command) {
    QTimer *check = window.findChild<QTimer *>(QStringLiteral("Timer1"));
    std::optional<bool> started;
    // Connected after the window's own handler, so this one sees what that one saw.
    const auto watch = QObject::connect(check, &QTimer::timeout, &window, [&] {
        started = window.session().player().currentMedia() != nullptr;
    });
    command();
    [[maybe_unused]] const bool checked =
        QTest::qWaitFor([&] { return started.has_value(); }, 15000);
    QObject::disconnect(watch);
    return started;
}

quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool run(const QString &program, const QStringList &arguments, QString *error) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    *error = program + QStringLiteral(" failed: ") + process.errorString() + QLatin1Char(' ') +
             QString::fromLocal8Bit(process.readAll());
    return false;
}

} // namespace testenv
