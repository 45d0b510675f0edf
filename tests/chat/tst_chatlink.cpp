// The chat room program's own window and server on this thread, the player's scanner with its
// socket client on a second thread (the client blocks its thread while it waits for the room):
// lines typed into the room's window reach the scanner as chat lines.
#include "chat/ChatScanner.h"
#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "chatroom/ChatRoomWindow.h"
#include "platform/ChatRoomClient.h"

#include <QLineEdit>
#include <QMutex>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace {

struct Line {
    QString whosaid, whatsaid, datesaid;
    bool operator==(const Line &) const = default;
};

} // namespace

class TestChatLink : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void userLineReportedOnce();
    void otherMemberReportedWithTheirName();
    void chatSendsOffSendsNothing();

private:
    QList<Line> reported();
    void type(const char *edit, const QString &text);
    void click(const char *button);
    void sendChat(const QString &text);
    bool onScannerThread(const std::function<void()> &step);

    QTemporaryDir m_folder;
    ChatRoom m_room{QStringLiteral("Test User")};
    std::unique_ptr<ChatRoomServer> m_server;
    std::unique_ptr<ChatRoomWindow> m_window;
    QThread m_scannerThread;
    std::unique_ptr<ChatRoomClient> m_client;
    ChatScanner *m_scanner = nullptr;
    std::atomic<bool> m_chatSends{true};
    QMutex m_mutex;
    QList<Line> m_lines;
};

void TestChatLink::initTestCase() {
    m_room.setClock([] { return QTime(10, 11, 12); });
    m_server = std::make_unique<ChatRoomServer>(&m_room);
    const QString socket = m_folder.filePath("room");
    QCOMPARE(m_server->listen(socket), ChatRoomServer::Result::Serving);
    m_window = std::make_unique<ChatRoomWindow>(&m_room);
    m_window->show();

    m_client = std::make_unique<ChatRoomClient>(socket, 2000);
    m_scanner = new ChatScanner(*m_client, [this] { return m_chatSends.load(); });
    // Runs inside the scanner's tick on its thread; the reference arguments are copied there.
    connect(
        m_scanner, &ChatScanner::aimchatscan, m_scanner,
        [this](QString &who, QString &what, QString &date) {
            QMutexLocker lock(&m_mutex);
            m_lines.append({who, what, date});
        },
        Qt::DirectConnection);
    m_scanner->moveToThread(&m_scannerThread);
    connect(&m_scannerThread, &QThread::finished, m_scanner, &QObject::deleteLater);
    m_scannerThread.start();
    QMetaObject::invokeMethod(m_scanner, &ChatScanner::scan_on, Qt::BlockingQueuedConnection);
}

void TestChatLink::cleanupTestCase() {
    m_scannerThread.quit();
    m_scannerThread.wait();
}

QList<Line> TestChatLink::reported() {
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

void TestChatLink::type(const char *edit, const QString &text) {
    auto *line = m_window->findChild<QLineEdit *>(QString::fromLatin1(edit));
    QVERIFY(line);
    line->clear();
    QTest::keyClicks(line, text);
}

void TestChatLink::click(const char *button) {
    auto *widget = m_window->findChild<QPushButton *>(QString::fromLatin1(button));
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton);
}

void TestChatLink::sendChat(const QString &text) {
    QMetaObject::invokeMethod(
        m_scanner, [this, text] { m_scanner->SendChat(text); }, Qt::QueuedConnection);
}

// Runs `step` on the scanner's thread after everything queued there before it, and waits for it.
bool TestChatLink::onScannerThread(const std::function<void()> &step) {
    const auto done = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        m_scanner,
        [step, done] {
            step();
            *done = true;
        },
        Qt::QueuedConnection);
    return QTest::qWaitFor([&] { return done->load(); }, 10000);
}

void TestChatLink::userLineReportedOnce() {
    const qsizetype before = reported().size();
    type("inputEdit", "hello: there & <you>");
    click("sendButton");
    QTRY_COMPARE(reported().size(), before + 1);
    QCOMPARE(reported().last(),
             (Line{"Test User", "hello: there &amp; &lt;you&gt;", "{10:11:12}"}));
    // Still the last line at the next poll: not reported again.
    QVERIFY(onScannerThread([this] { m_scanner->tick(); }));
    QCOMPARE(reported().size(), before + 1);
}

void TestChatLink::otherMemberReportedWithTheirName() {
    const qsizetype before = reported().size();
    type("sayAsNameEdit", "Some Member");
    type("sayAsTextEdit", "pause");
    click("sayAsButton");
    QTRY_COMPARE(reported().size(), before + 1);
    QCOMPARE(reported().last(), (Line{"Some Member", "pause", "{10:11:12}"}));
}

void TestChatLink::chatSendsOffSendsNothing() {
    m_chatSends = false;
    sendChat("<b>not to be seen</b>");
    QVERIFY(onScannerThread([] {})); // the send is done with
    QVERIFY(!m_room.transcript().contains("not to be seen"));
    QCOMPARE(m_room.input(), QString());

    m_chatSends = true;
    const qsizetype before = reported().size();
    sendChat("<b>now seen</b>");
    QTRY_VERIFY(m_room.transcript().contains(": <b>now seen</b><!-- (10:11:12) -->"));
    // The player's own line comes back to it as a line of the room's user.
    QTRY_COMPARE(reported().size(), before + 1);
    QCOMPARE(reported().last(), (Line{"Test User", "now seen", "{10:11:12}"}));
}

QTEST_MAIN(TestChatLink)
#include "tst_chatlink.moc"
