#include "platform/ChatSocketPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>
#include <utility>

class TstChatSocketPath : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void forEnvironment_data();
    void forEnvironment();
    void currentFollowsTheEnvironment();

private:
    QTemporaryDir m_folder;
};

void TstChatSocketPath::initTestCase() {
    QVERIFY(m_folder.isValid());
    // Folders with modes a runtime folder may or may not have, all owned by this user.
    const std::pair<const char *, mode_t> folders[] = {
        {"runtime", 0700}, {"open", 0755}, {"group", 0770}, {"passable", 0711}, {"shared", 01777}};
    for (const auto &[name, mode] : folders) {
        const QString path = m_folder.filePath(QLatin1String(name));
        QVERIFY(QDir().mkdir(path));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
    }
    QFile file(m_folder.filePath(QStringLiteral("plain-file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TstChatSocketPath::forEnvironment_data() {
    QTest::addColumn<QString>("runtimeDir");
    QTest::addColumn<uint>("uid");
    QTest::addColumn<QString>("expected");

    const uint self = ::getuid();
    const QString fallback = QStringLiteral("/tmp/aim_chatwnd-%1").arg(self);
    const QString runtime = m_folder.filePath(QStringLiteral("runtime"));
    QTest::newRow("own private folder") << runtime << self << runtime + "/aim_chatwnd";
    QTest::newRow("trailing slash") << runtime + "/" << self << runtime + "/aim_chatwnd";
    QTest::newRow("unset") << QString() << 1000u << QStringLiteral("/tmp/aim_chatwnd-1000");
    QTest::newRow("missing folder")
        << m_folder.filePath(QStringLiteral("gone")) << self << fallback;
    QTest::newRow("a file, not a folder")
        << m_folder.filePath(QStringLiteral("plain-file")) << self << fallback;
    QTest::newRow("mode 0755") << m_folder.filePath(QStringLiteral("open")) << self << fallback;
    QTest::newRow("mode 0770") << m_folder.filePath(QStringLiteral("group")) << self << fallback;
    QTest::newRow("mode 0711") << m_folder.filePath(QStringLiteral("passable")) << self << fallback;
    QTest::newRow("shared like /tmp")
        << m_folder.filePath(QStringLiteral("shared")) << self << fallback;
    QTest::newRow("/tmp itself") << QStringLiteral("/tmp") << self << fallback;
    QTest::newRow("private folder of another user")
        << runtime << self + 1 << QStringLiteral("/tmp/aim_chatwnd-%1").arg(self + 1);
    QTest::newRow("root's fallback") << QString() << 0u << QStringLiteral("/tmp/aim_chatwnd-0");
    QTest::newRow("large uid") << QString() << 4294967294u
                               << QStringLiteral("/tmp/aim_chatwnd-4294967294");
}

void TstChatSocketPath::forEnvironment() {
    QFETCH(QString, runtimeDir);
    QFETCH(uint, uid);
    QFETCH(QString, expected);
    QCOMPARE(ChatSocketPath::forEnvironment(runtimeDir, uid), expected);
}

void TstChatSocketPath::currentFollowsTheEnvironment() {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const QString runtime = m_folder.filePath(QStringLiteral("runtime"));

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    const QString inRuntime = ChatSocketPath::current();
    qunsetenv("XDG_RUNTIME_DIR");
    const QString unset = ChatSocketPath::current();
    // A relative folder is resolved against the working folder.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(m_folder.path());
    qputenv("XDG_RUNTIME_DIR", "runtime");
    const QString relative = ChatSocketPath::current();
    QDir::setCurrent(workingFolder);

    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", saved);
    else
        qunsetenv("XDG_RUNTIME_DIR");

    QCOMPARE(inRuntime, runtime + "/aim_chatwnd");
    QCOMPARE(unset, QStringLiteral("/tmp/aim_chatwnd-%1").arg(::getuid()));
    QCOMPARE(relative, QDir(m_folder.path()).canonicalPath() + "/runtime/aim_chatwnd");
}

QTEST_GUILESS_MAIN(TstChatSocketPath)
#include "tst_chatsocketpath.moc"
