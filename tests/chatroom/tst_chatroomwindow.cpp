#include "chatroom/ChatRoom.h"
#include "chatroom/ChatRoomServer.h"
#include "chatroom/ChatRoomWindow.h"
#include "chatroom/TranscriptView.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {

QString line(const QString &speaker, const QString &html) {
    return QStringLiteral(R"(<BR><FONT COLOR="#0000ff"><B>)") + speaker +
           QStringLiteral(R"(</B></FONT><FONT COLOR="#000000">: )") + html +
           QStringLiteral("<!-- (18:30:00) --></FONT>");
}

} // namespace

class TstChatRoomWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void namesEveryWidget();
    void sendsTypedTextAsTheUser_data();
    void sendsTypedTextAsTheUser();
    void sendsNothingWhenEmpty();
    void saysAsAnotherMember_data();
    void saysAsAnotherMember();
    void renamesTheUser();
    void showsInputFromTheLinkAndSendsItAsHtml();
    void showsTranscriptReplacedOverTheLink();
    void showsStatus();
    void refusesLongLinesWithAMessage();
    void showsOnlyTheLatestLines_data();
    void showsOnlyTheLatestLines();

private:
    template <typename T> T *widget(const char *name) const {
        return m_window->findChild<T *>(QLatin1String(name));
    }

    ChatRoom *m_room = nullptr;
    ChatRoomWindow *m_window = nullptr;
};

void TstChatRoomWindow::init() {
    m_room = new ChatRoom(QStringLiteral("Dj Me"), nullptr);
    m_room->setClock([] { return QTime(18, 30, 0); });
    // Every line is due at once: the pacing has tests of its own.
    m_room->pacer().setClock(
        [n = std::chrono::milliseconds(0)]() mutable { return n += LinePacer::hold; });
    m_window = new ChatRoomWindow(m_room);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TstChatRoomWindow::cleanup() {
    delete m_window;
    delete m_room;
}

void TstChatRoomWindow::namesEveryWidget() {
    QVERIFY(widget<QTextBrowser>("transcriptView"));
    QVERIFY(widget<QLineEdit>("inputEdit"));
    QVERIFY(widget<QLineEdit>("userNameEdit"));
    QVERIFY(widget<QLineEdit>("sayAsNameEdit"));
    QVERIFY(widget<QLineEdit>("sayAsTextEdit"));
    QVERIFY(widget<QLabel>("statusLabel"));
    QCOMPARE(widget<QPushButton>("sendButton")->text(), QStringLiteral("Send"));
    QCOMPARE(widget<QPushButton>("sayAsButton")->text(), QStringLiteral("Say as"));
    const QList<QWidget *> children = m_window->findChildren<QWidget *>();
    for (const QWidget *child : children) {
        // Scroll bars and viewports belong to Qt's own composite widgets.
        if (child->parentWidget() == m_window)
            QVERIFY2(!child->objectName().isEmpty(), child->metaObject()->className());
    }
}

void TstChatRoomWindow::sendsTypedTextAsTheUser_data() {
    QTest::addColumn<bool>("pressReturn");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("html");
    QTest::newRow("button") << false << "r queen"
                            << "r queen";
    QTest::newRow("return key") << true << "pause"
                                << "pause";
    QTest::newRow("markup is escaped") << false << "<b>1 & 2</b>"
                                       << "&lt;b&gt;1 &amp; 2&lt;/b&gt;";
}

void TstChatRoomWindow::sendsTypedTextAsTheUser() {
    QFETCH(bool, pressReturn);
    QFETCH(QString, typed);
    QFETCH(QString, html);

    auto *input = widget<QLineEdit>("inputEdit");
    QTest::keyClicks(input, typed);
    QCOMPARE(m_room->input(), typed);
    if (pressReturn)
        QTest::keyClick(input, Qt::Key_Return);
    else
        QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);

    QCOMPARE(m_room->transcript(), line(QStringLiteral("Dj Me"), html));
    QCOMPARE(input->text(), QString());
    // The line's leading <BR> renders as a line break.
    QCOMPARE(widget<QTextBrowser>("transcriptView")->toPlainText(), "\nDj Me: " + typed);
}

void TstChatRoomWindow::sendsNothingWhenEmpty() {
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    widget<QLineEdit>("sayAsNameEdit")->setText(QStringLiteral("Other"));
    QTest::mouseClick(widget<QPushButton>("sayAsButton"), Qt::LeftButton);
    QCOMPARE(m_room->transcript(), QString());
}

void TstChatRoomWindow::saysAsAnotherMember_data() {
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << "Other Guy"
                           << "hi there" << line("Other Guy", "hi there");
    QTest::newRow("escaped name and text") << "A&<B>"
                                           << "x > y" << line("A&amp;&lt;B&gt;", "x &gt; y");
}

void TstChatRoomWindow::saysAsAnotherMember() {
    QFETCH(QString, speaker);
    QFETCH(QString, typed);
    QFETCH(QString, line);

    auto *name = widget<QLineEdit>("sayAsNameEdit");
    auto *text = widget<QLineEdit>("sayAsTextEdit");
    QTest::keyClicks(name, speaker);
    QTest::keyClicks(text, typed);
    QTest::mouseClick(widget<QPushButton>("sayAsButton"), Qt::LeftButton);
    QCOMPARE(m_room->transcript(), line);
    QCOMPARE(text->text(), QString());
    QCOMPARE(name->text(), speaker);
    // The local user's input box is not touched.
    QCOMPARE(m_room->input(), QString());

    QTest::keyClicks(text, QStringLiteral("again"));
    QTest::keyClick(text, Qt::Key_Return);
    QVERIFY(m_room->transcript().endsWith(QStringLiteral(": again<!-- (18:30:00) --></FONT>")));
}

void TstChatRoomWindow::renamesTheUser() {
    auto *name = widget<QLineEdit>("userNameEdit");
    QCOMPARE(name->text(), QStringLiteral("Dj Me"));
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("New Name"));
    QCOMPARE(m_room->userName(), QStringLiteral("New Name"));
    QTest::keyClicks(widget<QLineEdit>("inputEdit"), QStringLiteral("x"));
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    QCOMPARE(m_room->transcript(), line(QStringLiteral("New Name"), QStringLiteral("x")));

    m_room->setUserName(QStringLiteral("From Room"));
    QCOMPARE(name->text(), QStringLiteral("From Room"));
}

void TstChatRoomWindow::showsInputFromTheLinkAndSendsItAsHtml() {
    auto *input = widget<QLineEdit>("inputEdit");
    m_room->setInput(QStringLiteral("<b>playing</b>"));
    QCOMPARE(input->text(), QStringLiteral("<b>playing</b>"));
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    QCOMPARE(m_room->transcript(), line(QStringLiteral("Dj Me"), QStringLiteral("<b>playing</b>")));
    QCOMPARE(input->text(), QString());

    // Once the user edits it, the box holds typed text again.
    m_room->setTranscript(QString());
    m_room->setInput(QStringLiteral("<i>a</i>"));
    QTest::keyClicks(input, QStringLiteral("!"));
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    QCOMPARE(m_room->transcript(),
             line(QStringLiteral("Dj Me"), QStringLiteral("&lt;i&gt;a&lt;/i&gt;!")));
}

void TstChatRoomWindow::showsTranscriptReplacedOverTheLink() {
    QTemporaryDir folder;
    ChatRoomServer server(m_room);
    QCOMPARE(server.listen(folder.filePath(QStringLiteral("room"))),
             ChatRoomServer::Result::Serving);
    m_room->say(QStringLiteral("someone"), QStringLiteral("old line"));

    // The server shares this thread, so the request goes out without blocking.
    QLocalSocket socket;
    socket.connectToServer(server.socketPath());
    QTRY_COMPARE(socket.state(), QLocalSocket::ConnectedState);
    const QByteArray html("<B>OnlineHost</B>: Chat Cleared!");
    socket.write("SET " + QByteArray::number(html.size()) + "\n" + html);
    QByteArray answer;
    QTRY_COMPARE((answer += socket.readAll()), QByteArray("OK 0\n"));
    auto *view = widget<QTextBrowser>("transcriptView");
    QCOMPARE(view->toPlainText(), QStringLiteral("OnlineHost: Chat Cleared!"));
    QVERIFY(view->toHtml().contains(QStringLiteral("font-weight")));
}

void TstChatRoomWindow::showsStatus() {
    m_window->setStatus(QStringLiteral("Serving the chat room on /x <y>"));
    QCOMPARE(widget<QLabel>("statusLabel")->text(),
             QStringLiteral("Serving the chat room on /x <y>"));
    QCOMPARE(widget<QLabel>("statusLabel")->textFormat(), Qt::PlainText);
}

void TstChatRoomWindow::refusesLongLinesWithAMessage() {
    auto *input = widget<QLineEdit>("inputEdit");
    auto *notice = widget<QLabel>("noticeLabel");
    QVERIFY(notice);
    const QString limit = QString::number(ChatRoom::maxLineBytes);
    const QString tooLong(ChatRoom::maxLineBytes + 1, QLatin1Char('x'));
    m_room->typeInput(tooLong);
    QTest::mouseClick(widget<QPushButton>("sendButton"), Qt::LeftButton);
    QCOMPARE(m_room->transcript(), QString());
    QCOMPARE(input->text(), tooLong);
    QVERIFY2(notice->text().contains(limit), qPrintable(notice->text()));

    // Over the link the same: the line is refused and the window says why.
    notice->clear();
    m_room->setInput(QStringLiteral("<b>") + tooLong);
    QVERIFY(!m_room->send());
    QVERIFY(notice->text().contains(limit));

    // Shortened, it goes, and the message goes with it.
    input->selectAll();
    QTest::keyClicks(input, QStringLiteral("short"));
    QTest::keyClick(input, Qt::Key_Return);
    QCOMPARE(m_room->transcript(), line(QStringLiteral("Dj Me"), QStringLiteral("short")));
    QCOMPARE(notice->text(), QString());
}

void TstChatRoomWindow::showsOnlyTheLatestLines_data() {
    QTest::addColumn<bool>("replaced");
    QTest::newRow("lines added one by one") << false;
    QTest::newRow("transcript replaced at once") << true;
}

void TstChatRoomWindow::showsOnlyTheLatestLines() {
    QFETCH(bool, replaced);
    const int shown = TranscriptView::maxShownLines;
    const int count = shown + 50;
    QString transcript;
    for (int i = 0; i < count; ++i) {
        const QString text =
            i == 0 ? QStringLiteral("first line") : QStringLiteral("line %1").arg(i);
        if (replaced)
            transcript += line(QStringLiteral("Other"), text);
        else
            m_room->say(QStringLiteral("Other"), text);
    }
    if (replaced)
        m_room->setTranscript(transcript + QStringLiteral("<BR>") +
                              QString(TranscriptView::maxShownLineBytes + 1, QLatin1Char('y')));
    // A full view stays full, whichever way it was filled.
    m_room->say(QStringLiteral("Other"), QStringLiteral("last line"));

    auto *view = widget<QTextBrowser>("transcriptView");
    const QString shownText = view->toPlainText();
    QVERIFY(!shownText.contains(QStringLiteral("first line")));
    QVERIFY(shownText.contains(QStringLiteral("Other: line %1\n").arg(count - 1)));
    QVERIFY(shownText.endsWith(QStringLiteral("Other: last line")));
    QVERIFY(view->document()->blockCount() <= shown + 1);
    // A line too long to lay out is named, not shown.
    QVERIFY(shownText.size() < 100000);
    // The whole transcript is still there for the link.
    QVERIFY(m_room->transcript().contains(QStringLiteral("first line")));
}

QTEST_MAIN(TstChatRoomWindow)
#include "tst_chatroomwindow.moc"
