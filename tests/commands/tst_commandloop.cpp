#include "chat/ChatScanner.h"
#include "commands/CommandInterpreter.h"
#include "commands/MultiPicker.h"
#include "library/Library.h"
#include "support/FakeChatWindow.h"
#include "support/FakeCommandHost.h"

#include <QListWidget>
#include <QPointer>
#include <QtTest>

// The interpreter wired to the real scanner and the real picker window.

namespace {

struct Rig {
    FakeCommandHost host;
    CommandInterpreter interpreter{host};

    Rig() {
        host.labSN = QStringLiteral("me");
        host.addFiles(FakeCommandHost::sampleSongs());
    }

    void say(const QString &who, const QString &what) {
        QString whosaid = who;
        QString whatsaid = what;
        QString datesaid;
        interpreter.chat1_aimchatscan(whosaid, whatsaid, datesaid);
    }
};

QString matched(int count) {
    return QStringLiteral("sendChat:%1 files matched that string, Select One.").arg(count);
}

// A host whose picker is the real window, managed the way the main window manages it.
class PickerHost : public FakeCommandHost {
public:
    QPointer<MultiPicker> picker;

    void pickerLoad() override {
        FakeCommandHost::pickerLoad();
        if (!picker)
            picker = new MultiPicker([this](const QString &text) { playFile(text); });
    }
    void pickerAdd(int row) override {
        FakeCommandHost::pickerAdd(row);
        if (picker)
            picker->addEntry(library().displayLine(row));
    }
    int pickerCount() const override { return picker ? picker->count() : 0; }
    void pickerUnload() override {
        FakeCommandHost::pickerUnload();
        delete picker.data();
    }
    void pickerShow() override {
        FakeCommandHost::pickerShow();
        if (picker)
            picker->show();
    }
};

} // namespace

class TestCommandLoop : public QObject {
    Q_OBJECT
private slots:
    void arWithChatSendsUncheckedSaysNothing();
    void answerTextThatIsACommandRunsAgain();
    void realPicker();
};

void TestCommandLoop::arWithChatSendsUncheckedSaysNothing() {
    FakeChatWindow window;
    bool chatSends = false;
    ChatScanner chat1(window, [&] { return chatSends; });
    Rig rig;
    rig.host.onSendChat = [&](const QString &text) {
        chat1.SendChat(text);
    };

    rig.say(QStringLiteral("me"), QStringLiteral("ar"));
    QVERIFY(rig.host.autoRandom);
    QVERIFY(window.calls.isEmpty());
    QVERIFY(window.sent.isEmpty());

    chatSends = true;
    rig.say(QStringLiteral("me"), QStringLiteral("xar"));
    QVERIFY(!rig.host.autoRandom);
    QCOMPARE(window.sent, QStringList{QStringLiteral("auto random disabled")});
}

void TestCommandLoop::answerTextThatIsACommandRunsAgain() {
    // The whole loop: chat room -> scanner -> interpreter -> SendChat -> chat room.
    FakeChatWindow window;
    window.ownName = QStringLiteral("Me");
    ChatScanner chat1(window, [] { return true; });
    Rig rig;
    rig.host.txtPause = QStringLiteral("play");
    rig.host.onSendChat = [&](const QString &text) {
        chat1.SendChat(text);
    };
    QObject::connect(&chat1, &ChatScanner::aimchatscan,
                     [&](QString &who, QString &what, QString &date) {
                         rig.interpreter.chat1_aimchatscan(who, what, date);
                     });
    chat1.scan_on();

    window.say(QStringLiteral("Me"), QStringLiteral("pause"));
    for (int i = 0; i < 4; ++i)
        chat1.tick();
    const QStringList expected{"playerPause", "sendChat:play", "playerPlay",
                               "sendChat:media playing"};
    QCOMPARE(rig.host.calls, expected);
    QCOMPARE(window.sent, (QStringList{"play", "media playing"}));
}

void TestCommandLoop::realPicker() {
    PickerHost host;
    host.labSN = QStringLiteral("me");
    host.addFiles(FakeCommandHost::sampleSongs());
    CommandInterpreter interpreter(host);
    auto say = [&](const QString &text) {
        QString who = QStringLiteral("Me"), what = text, date;
        interpreter.chat1_aimchatscan(who, what, date);
    };

    say(QStringLiteral("p queen"));
    QVERIFY(host.picker);
    QVERIFY(host.picker->isVisible());
    say(QStringLiteral("p abba"));
    const QStringList expected{"Queen A.mp3", "queen B.mp3", "Queen C.mp3", "ABBA - Dancing.mp3"};
    QCOMPARE(host.picker->entries(), expected);
    QVERIFY(host.calls.contains(matched(4)));

    host.calls.clear();
    QVERIFY(QTest::qWaitForWindowExposed(host.picker));
    QListWidget *list = host.picker->lstFiles();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(host.calls, QStringList{QStringLiteral("playFile:queen B.mp3")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(host.picker.isNull());

    // The next search starts from an empty picker; one match leaves none behind.
    say(QStringLiteral("p zed"));
    QVERIFY(host.picker.isNull());
    QCOMPARE(host.calls.last(), QStringLiteral("pickerUnload"));
}

QTEST_MAIN(TestCommandLoop)
#include "tst_commandloop.moc"
