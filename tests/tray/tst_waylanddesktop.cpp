#include "support/SwayDesktop.h"
#include "support/TestEnv.h"
#include "support/TrayWatcher.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The real player as a native Wayland client under a real compositor (sway, headless), moved and
// clicked with a virtual pointer, its tray icon on a StatusNotifier watcher of the test's own on
// the test's own session bus. Skipped, never failed, where the compositor cannot run.
namespace {

const QString kMain = QStringLiteral("trevik amp 1.0");
const QString kBox = QStringLiteral("zandor amp");

// The labels of a menu's layout as com.canonical.dbusmenu sends it: (ia{sv}av), nested.
void collectLabels(const QDBusArgument &item, QStringList &labels) {
    int id = 0;
    QVariantMap properties;
    item.beginStructure();
    item >> id >> properties;
    if (properties.contains(QStringLiteral("label")))
        labels << properties.value(QStringLiteral("label")).toString();
    item.beginArray();
    while (!item.atEnd()) {
        QDBusVariant child;
        item >> child;
        collectLabels(child.variant().value<QDBusArgument>(), labels);
    }
    item.endArray();
    item.endStructure();
}

QDBusMessage call(const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments) {
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(arguments);
    return QDBusConnection::sessionBus().call(m, QDBus::Block, 10000);
}

} // namespace

class TestWaylandDesktop : public QObject {
    Q_OBJECT
private slots:
    void dragTheWindowThenTrayOfAHostThatStartsLate();
};

void TestWaylandDesktop::dragTheWindowThenTrayOfAHostThatStartsLate() {
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus of the test's own (dbus-run-session)");
    SwayDesktop desktop;
    if (!desktop.why.isEmpty())
        QSKIP(qPrintable(desktop.why));
    // A copy of the player in a folder of its own, so that its settings file is the test's.
    QTemporaryDir folder;
    const QString player = folder.filePath("zandoramp");
    QVERIFY(QFile::copy(testenv::binaryDir() + "/zandoramp", player));
    QFile settings(folder.filePath("zandoramp.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("shtr0\r\n");
    settings.close();
    QTemporaryDir runtime; // not the user's chat room
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = desktop.env();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder.path());
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(player, {});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        program.state() != QProcess::Running || desktop.window(kMain).rect.width() == 320, 30000);
    QVERIFY2(program.state() == QProcess::Running, program.readAll().constData());

    // Dragged by its top strip, the window follows the pointer. The compositor takes the drag at
    // the first move with the button held, and from the pointer's place when that request
    // arrives: the pointer nudges on until the window moves.
    const QRect before = desktop.window(kMain).rect;
    const QPoint grab = before.topLeft() + QPoint(50, 3);
    const auto click = [&](QPoint p) {
        return desktop.pointer(QStringLiteral("move %1 %2").arg(p.x()).arg(p.y())) &&
               desktop.pointer("press") && desktop.pointer("release");
    };
    const auto moveTo = [&](QPoint p) {
        return desktop.pointer(QStringLiteral("move %1 %2").arg(p.x()).arg(p.y()));
    };
    QVERIFY(moveTo(grab));
    QVERIFY(desktop.pointer("press"));
    int nudge = 0;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     moveTo(grab + QPoint(2 + nudge % 2, 2 + nudge % 2));
                     ++nudge;
                     return desktop.window(kMain).rect.topLeft() != before.topLeft();
                 },
                 15000),
             "the window never followed the pointer");
    QVERIFY(moveTo(grab + QPoint(100, 80)));
    QVERIFY(desktop.pointer("release"));
    const QPoint moved = desktop.window(kMain).rect.topLeft() - before.topLeft();
    QVERIFY2(moved.x() >= 96 && moved.x() <= 98 && moved.y() >= 76 && moved.y() <= 78,
             qPrintable(QStringLiteral("moved by %1, %2").arg(moved.x()).arg(moved.y())));

    // "options", then "Send to tray" (the menu's fourth item). No tray host: the window stays,
    // and a box says so.
    const QPoint options = desktop.window(kMain).rect.topLeft() + QPoint(276, 80);
    // The item is clicked once the menu is there: the menu's margin beside it lies below the
    // window, on the dark desktop, and turns light.
    const QPoint sendItem = options + QPoint(30, 76);
    const auto sendToTray = [&] {
        return click(options) &&
               QTest::qWaitFor([&] { return desktop.lightness(options + QPoint(4, 76)) > 160; },
                               15000) &&
               click(sendItem);
    };
    QVERIFY(sendToTray());
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.window(kBox).rect.isEmpty(), 15000);
    QVERIFY(!desktop.window(kMain).rect.isEmpty());
    const QRect box = desktop.window(kBox).rect;
    QVERIFY(click(box.bottomRight() - QPoint(50, 25))); // OK
    QTRY_VERIFY_WITH_TIMEOUT(desktop.window(kBox).rect.isEmpty(), 15000);

    // A tray host starts: Send to tray now puts the player in the tray.
    TrayWatcher watcher(QDBusConnection::sessionBus());
    QVERIFY(watcher.registered);
    QVERIFY(sendToTray());
    QTRY_VERIFY_WITH_TIMEOUT(!watcher.items.isEmpty() && desktop.window(kMain).rect.isEmpty(),
                             15000);

    // The icon hands its menu to the host, which shows it beside the icon.
    const QString item = watcher.items.first();
    const QString sni = QStringLiteral("org.kde.StatusNotifierItem");
    const QDBusMessage menu =
        call(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get", {sni, "Menu"});
    const QString menuPath =
        menu.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    QVERIFY2(!menuPath.isEmpty() && menuPath != "/NO_DBUSMENU", qPrintable(menuPath));
    const QDBusMessage layout =
        call(item, menuPath, "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()});
    QCOMPARE(layout.type(), QDBusMessage::ReplyMessage);
    QStringList labels;
    collectLabels(layout.arguments().value(1).value<QDBusArgument>(), labels);
    QCOMPARE(labels.mid(0, 2), (QStringList{"Show", "Unload zandor amp"}));

    // A left click (the host's Activate) is answered at once and brings the window back, with
    // no window of a menu anywhere: under Wayland the menu is the host's.
    const QDBusPendingCall activate = QDBusConnection::sessionBus().asyncCall(
        QDBusMessage::createMethodCall(item, "/StatusNotifierItem", sni, "Activate") << 0 << 0,
        20000);
    QTRY_VERIFY_WITH_TIMEOUT(activate.isFinished(), 20000);
    QVERIFY2(!activate.isError(), qPrintable(activate.error().message()));
    QTRY_VERIFY_WITH_TIMEOUT(desktop.window(kMain).rect.width() == 320, 15000);
    QCOMPARE(desktop.windows().size(), 1);

    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("tray0\r\n"));
}

QTEST_GUILESS_MAIN(TestWaylandDesktop)
#include "tst_waylanddesktop.moc"
