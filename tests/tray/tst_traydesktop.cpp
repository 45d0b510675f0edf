#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

// The real player in a real X server with a real tray host: Xvfb, Debian's trayer, and xdotool
// to click as a user would. Skipped, never failed, where those cannot run.
namespace {

struct Process {
    std::unique_ptr<QProcess> p = std::make_unique<QProcess>();
    ~Process() {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
            p->waitForFinished(1000);
        }
    }
};

class Desktop {
public:
    QString display;
    QString why; // empty when the desktop runs

    Desktop() {
        for (const char *tool : {"Xvfb", "trayer", "xdotool", "xmessage"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                why = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
                return;
            }
        }
        // Xvfb picks a free display and writes its number to the pipe it is given.
        int fds[2];
        if (::pipe(fds) != 0) {
            why = QStringLiteral("no pipe");
            return;
        }
        m_xvfb.p->setProgram(QStringLiteral("Xvfb"));
        m_xvfb.p->setArguments({"-displayfd", QString::number(fds[1]), "-screen", "0",
                                "1024x768x24", "-nolisten", "tcp"});
        m_xvfb.p->setChildProcessModifier([fds] { ::close(fds[0]); });
        m_xvfb.p->start();
        ::close(fds[1]);
        QFile reader;
        reader.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        const QByteArray number = reader.readLine().trimmed();
        if (!m_xvfb.p->waitForStarted(3000) || number.isEmpty()) {
            why = QStringLiteral("Xvfb did not start");
            return;
        }
        display = QStringLiteral(":") + QString::fromLatin1(number);
        m_trayer.p->setProcessEnvironment(env());
        m_trayer.p->start(QStringLiteral("trayer"),
                          {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                           "100", "--height", "32"});
        if (!m_trayer.p->waitForStarted(3000)) {
            why = QStringLiteral("trayer did not start");
            return;
        }
        // trayer takes the tray before it maps its panel. A player started earlier, as on a
        // loaded machine, finds no notification area and rightly stays in its window.
        if (!QTest::qWaitFor(
                [this] {
                    return !xdotool({"search", "--onlyvisible", "--class", "trayer"}).isEmpty();
                },
                30000))
            why = QStringLiteral("trayer never showed its panel");
    }

    QProcessEnvironment env() const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("DISPLAY"), display);
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return e;
    }

    QString xdotool(const QStringList &args) const {
        QProcess p;
        p.setProcessEnvironment(env());
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(5000);
        return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
    }
    // The player's mapped windows.
    QStringList visibleWindows() const {
        return xdotool({"search", "--onlyvisible", "--class", "zandoramp"})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QRect geometry(const QString &window) const {
        const QStringList lines = xdotool({"getwindowgeometry", "--shell", window}).split('\n');
        QMap<QString, int> v;
        for (const QString &line : lines)
            v[line.section('=', 0, 0)] = line.section('=', 1).toInt();
        return QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]);
    }

private:
    Process m_xvfb;
    Process m_trayer;
};

} // namespace

class TestTrayDesktop : public QObject {
    Q_OBJECT
private slots:
    void leftClickOpensTheMenuAndShowBringsTheWindowBack();
};

void TestTrayDesktop::leftClickOpensTheMenuAndShowBringsTheWindowBack() {
    Desktop desktop;
    if (!desktop.why.isEmpty())
        QSKIP(qPrintable(desktop.why));
    // A copy of the player in a folder of its own, so that its settings file is the test's; a
    // stored "tray1" starts it in the tray.
    QTemporaryDir folder;
    const QString player = folder.filePath("zandoramp");
    QVERIFY(QFile::copy(testenv::binaryDir() + "/zandoramp", player));
    QFile settings(folder.filePath("zandoramp.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("shtr0\r\ntray1\r\n");
    settings.close();

    // A runtime folder of its own: the player must not greet a chat room the user has running.
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = desktop.env();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    Process program;
    program.p->setProcessEnvironment(env);
    program.p->setWorkingDirectory(folder.path());
    program.p->setProcessChannelMode(QProcess::MergedChannels);
    program.p->start(player, {});
    QVERIFY(program.p->waitForStarted());

    // The icon: the one window of the player that the tray host has embedded and mapped.
    QTRY_VERIFY_WITH_TIMEOUT(
        program.p->state() != QProcess::Running || desktop.visibleWindows().size() == 1, 30000);
    QVERIFY2(program.p->state() == QProcess::Running, program.p->readAll().constData());
    const QString icon = desktop.visibleWindows().first();
    const QRect iconRect = desktop.geometry(icon);
    QVERIFY2(iconRect.width() <= 64 && iconRect.height() <= 64, "the main window is showing");

    // Another program's window, opened since, over the whole screen below the tray host.
    Process cover;
    cover.p->setProcessEnvironment(desktop.env());
    cover.p->start(QStringLiteral("xmessage"), {"-geometry", "1024x700+0+60", "cover"});
    QTRY_VERIFY_WITH_TIMEOUT(
        !desktop.xdotool({"search", "--onlyvisible", "--class", "xmessage"}).isEmpty(), 15000);
    desktop.xdotool({"mousemove", "--window", icon, "5", "5", "click", "1"});
    QString menu;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QString &w : desktop.visibleWindows()) {
                if (w != icon)
                    menu = w;
            }
            return !menu.isEmpty();
        }(),
        15000);
    // "Show" is the menu's first item.
    const QRect menuRect = desktop.geometry(menu);
    desktop.xdotool({"mousemove", QString::number(menuRect.x() + 30),
                     QString::number(menuRect.y() + 10), "click", "1"});

    // The main window is back, 320 pixels wide, and the icon is gone.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QStringList shown = desktop.visibleWindows();
            return shown.size() == 1 && desktop.geometry(shown.first()).width() == 320;
        }(),
        15000);
    // In front of the other program's window, with the keyboard's focus.
    const QString window = desktop.visibleWindows().first();
    const QStringList pointAt{"mousemove", "--window", window, "100", "100", "getmouselocation"};
    QTRY_VERIFY_WITH_TIMEOUT(desktop.xdotool(pointAt).endsWith(" window:" + window), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.xdotool({"getwindowfocus"}), window, 5000);

    program.p->terminate();
    QVERIFY(program.p->waitForFinished(10000));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("tray0\r\n"));
}

QTEST_GUILESS_MAIN(TestTrayDesktop)
#include "tst_traydesktop.moc"
