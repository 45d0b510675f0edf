#include "support/SwayDesktop.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

namespace {

constexpr int kStartMs = 15000;

void stop(QProcess *process) {
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(3000))
        process->kill();
    process->waitForFinished(1000);
}

void collect(const QJsonObject &node, QList<SwayDesktop::Window> &windows) {
    if (node.contains(QLatin1String("shell"))) {
        const QJsonObject r = node.value(QLatin1String("rect")).toObject();
        windows.append(
            {node.value(QLatin1String("name")).toString(),
             QRect(r.value(QLatin1String("x")).toInt(), r.value(QLatin1String("y")).toInt(),
                   r.value(QLatin1String("width")).toInt(),
                   r.value(QLatin1String("height")).toInt())});
    }
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : node.value(QLatin1String(children)).toArray())
            collect(child.toObject(), windows);
    }
}

} // namespace

SwayDesktop::SwayDesktop() {
    for (const char *tool : {"sway", "swaymsg", "grim", "unshare"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            why = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
            return;
        }
    }
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile config(m_runtime.filePath(QStringLiteral("config")));
    config.open(QIODevice::WriteOnly);
    config.write("xwayland disable\n"
                 "output HEADLESS-1 resolution 1024x768 position 0 0\n"
                 "default_border none\n");
    config.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "DBUS_SESSION_BUS_ADDRESS"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    m_sway = std::make_unique<QProcess>();
    m_sway->setProcessEnvironment(env);
    // Into a file: a pipe that nobody reads fills up, and the compositor stops at its next line.
    m_sway->setProcessChannelMode(QProcess::MergedChannels);
    m_sway->setStandardOutputFile(m_runtime.filePath(QStringLiteral("sway.log")));
    // sway will not run as root, but does as the unmapped user of a user namespace of its own.
    QStringList command{QStringLiteral("sway"), QStringLiteral("-c"), config.fileName()};
    if (::geteuid() == 0)
        command = QStringList{QStringLiteral("unshare"), QStringLiteral("-U")} + command;
    m_sway->start(command.takeFirst(), command);
    m_sway->waitForStarted(kStartMs);
    const QDir runtime(m_runtime.path());
    const bool up = QTest::qWaitFor(
        [&] {
            const QStringList sockets =
                runtime.entryList({"wayland-?", "sway-ipc.*.sock"}, QDir::System);
            return m_sway->state() != QProcess::Running || sockets.size() == 2;
        },
        kStartMs);
    if (!up || m_sway->state() != QProcess::Running) {
        QFile log(m_runtime.filePath(QStringLiteral("sway.log")));
        log.open(QIODevice::ReadOnly);
        why = QStringLiteral("sway did not start (no user namespaces?): ") +
              QString::fromLocal8Bit(log.readAll().right(2000));
        return;
    }
    m_display = runtime.filePath(runtime.entryList({"wayland-?"}, QDir::System).first());
    m_ipc = runtime.filePath(runtime.entryList({"sway-ipc.*.sock"}, QDir::System).first());

    m_pointer = std::make_unique<QProcess>();
    m_pointer->setProcessEnvironment(this->env());
    m_pointer->start(testenv::binaryDir() + QStringLiteral("/tests/virtual_pointer"),
                     {QStringLiteral("1024"), QStringLiteral("768")});
    if (!m_pointer->waitForStarted(kStartMs) || !answered())
        why = QStringLiteral("virtual_pointer did not start: ") +
              QString::fromLocal8Bit(m_pointer->readAllStandardError());
}

SwayDesktop::~SwayDesktop() {
    stop(m_pointer.get());
    stop(m_sway.get());
}

QProcessEnvironment SwayDesktop::env() const {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(QStringLiteral("DISPLAY"));
    e.insert(QStringLiteral("WAYLAND_DISPLAY"), m_display);
    e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    return e;
}

QString SwayDesktop::swaymsg(const QStringList &arguments) const {
    QProcess p;
    p.start(QStringLiteral("swaymsg"), QStringList{QStringLiteral("-s"), m_ipc} + arguments);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QList<SwayDesktop::Window> SwayDesktop::windows() const {
    QList<Window> found;
    collect(QJsonDocument::fromJson(swaymsg({"-t", "get_tree"}).toUtf8()).object(), found);
    return found;
}

SwayDesktop::Window SwayDesktop::window(const QString &title) const {
    for (const Window &w : windows()) {
        if (w.title == title)
            return w;
    }
    return {};
}

bool SwayDesktop::command(const QString &command) const {
    return swaymsg({command}).contains(QLatin1String("\"success\": true"));
}

int SwayDesktop::lightness(QPoint at) const {
    QProcess grim;
    grim.setProcessEnvironment(env());
    grim.start(QStringLiteral("grim"),
               {"-g", QStringLiteral("%1,%2 1x1").arg(at.x()).arg(at.y()), "-t", "ppm", "-"});
    grim.waitForFinished(5000);
    // A binary PPM: "P6\n1 1\n255\n", then one pixel.
    const QByteArray image = grim.readAllStandardOutput();
    if (!image.startsWith("P6") || image.size() < 3)
        return -1;
    const QByteArray rgb = image.right(3);
    return (uchar(rgb[0]) + uchar(rgb[1]) + uchar(rgb[2])) / 3;
}

bool SwayDesktop::pointer(const QString &step) {
    m_pointer->write(step.toLatin1() + '\n');
    return answered();
}

bool SwayDesktop::answered() {
    // Each step is answered once the compositor has handled it.
    while (!m_pointer->canReadLine()) {
        if (!m_pointer->waitForReadyRead(kStartMs))
            return false;
    }
    return m_pointer->readLine() == "ok\n";
}
