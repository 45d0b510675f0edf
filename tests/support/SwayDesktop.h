#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A Wayland desktop of the test's own: Debian's sway on its headless backend, one 1024 x 768
// output, in a user namespace (sway refuses to run as root) and a runtime folder of its own, with
// a virtual pointer (virtual_pointer, beside the tests) that is there before any program starts.
// `why` says why it did not start.
class SwayDesktop {
public:
    struct Window {
        QString title;
        QRect rect;
    };

    SwayDesktop();
    ~SwayDesktop();

    QString why; // empty when the desktop runs

    // What a program needs to show its windows here (WAYLAND_DISPLAY, Qt's Wayland plugin).
    QProcessEnvironment env() const;
    // The top-level windows on the output, as the compositor's tree has them.
    QList<Window> windows() const;
    // The window of that title, or an empty one.
    Window window(const QString &title) const;
    // Runs a sway command (`swaymsg COMMAND`).
    bool command(const QString &command) const;
    // The lightness (0 to 255) of the screen at a point, as grim captures it; -1 when it cannot.
    int lightness(QPoint at) const;
    // One step of the pointer ("move X Y", "press", "release"); true once the compositor took it.
    bool pointer(const QString &step);

private:
    QString swaymsg(const QStringList &arguments) const;
    bool answered();

    QTemporaryDir m_runtime;
    QString m_display; // the compositor's socket
    QString m_ipc;     // its IPC socket
    std::unique_ptr<QProcess> m_sway;
    std::unique_ptr<QProcess> m_pointer;
};
