#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class MainWindow;

namespace testenv {

// The folder of media files made by scripts/make-test-media for this build.
QString mediaDir();
// A file in that folder.
QString media(const QString &name);
// The top of the build tree (where zandoramp and chatroom are).
QString binaryDir();
// Copies a file to a destination given as raw bytes (the name need not be UTF-8).
bool copyToByteName(const QString &from, const QByteArray &to);
// A socket file that nothing listens on, as a chat room that was killed leaves behind.
bool makeStaleSocket(const QString &path);
// What a process of another user (nobody) met at a socket, and the bytes it got back.
struct OtherUserAnswer {
    enum class Outcome { NotRun, NotConnected, HungUp, WentQuiet };
    Outcome outcome = Outcome::NotRun;
    QByteArray bytes;
};
// Sends request to the socket at path from a process of nobody and reads until the other end
// closes (HungUp) or goes quiet for two seconds (WentQuiet). NotRun: no such user, or the ids
// could not be dropped (root only). NotConnected: the connect itself failed.
OtherUserAnswer askAsOtherUser(const QString &path, const QByteArray &request);
// Runs one test function of this test program (one row of it, given a row) in a process of
// nobody, where permissions stop it as they stop any user but root. Empty when it ran and passed
// there; otherwise the child's exit code and output. Root only.
QString failureAsOtherUser(const char *function, const char *row = nullptr);
// Plays the window's first library entry until it advances, then stops. The engine's first file
// in a new process loads its decoders, which on a busy machine can take longer than the
// announcement check waits (500 ms, once): tests warm it up before they time announcements.
bool warmUpEngine(MainWindow &window);
// Runs `command` (a line that starts a file) and waits for the player's announcement check, which
// runs half a second after the start: true when the file had started by then, so that it is
// announced; false when it had not, and the player rightly says nothing (a loaded machine can take
// longer to start a file). nullopt when no check ran within 15 s.
std::optional<bool> startedByAnnouncementCheck(MainWindow &window,
                                               const std::function<void()> &command);
// A loopback port that no one listens on right now, or 0.
quint16 freePort();
// Runs a helper program (openssl, prosodyctl) to its end; false, with `error` saying why, when it
// fails.
bool run(const QString &program, const QStringList &arguments, QString *error);

} // namespace testenv
