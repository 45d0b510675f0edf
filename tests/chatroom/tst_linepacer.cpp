// The room's pacer on a clock of the test's own: which lines reach the transcript the player
// reads, when, and what becomes of the others. Times are milliseconds on that clock.
#include "chatroom/ChatRoom.h"

#include <QRegularExpression>
#include <QTest>

class TstLinePacer : public QObject {
    Q_OBJECT
private slots:
    void paces_data();
    void paces();
};

void TstLinePacer::paces_data() {
    QTest::addColumn<bool>("ownerOnly");
    // "when origin text [count]", or "when set"; the last entry's time ends the run.
    QTest::addColumn<QStringList>("script");
    // "when what text@second said"
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("lone lines go in at once")
        << false << QStringList{"0 own a", "700 other b", "1300 own c"}
        << QStringList{"0 in a@0", "700 in b@0", "1300 in c@1"};
    QTest::newRow("a burst waits in order, a hold apart, stamped when said")
        << false << QStringList{"400 own ar", "480 other lol", "900 own xar", "1600 tick"}
        << QStringList{"400 in ar@0", "1000 in lol@0", "1600 in xar@0"};
    QTest::newRow("with an owner only the owner and the room pass on")
        << true
        << QStringList{"0 owner ar", "50 other lol", "100 own playing", "200 other psst",
                       "600 tick"}
        << QStringList{"0 in ar@0", "50 shown lol@0", "600 in playing@0", "600 shown psst@0"};
    QTest::newRow("a full queue shows the others' lines, noticed once")
        << false << QStringList{"0 other q 67", "600 tick"}
        << QStringList{"0 in q@0", "0 notice", "0 shown q@0", "0 shown q@0", "600 in q@0"};
    QTest::newRow("a full queue refuses the user's and the owner's lines")
        << true << QStringList{"0 owner q 65", "0 own r", "0 owner s", "0 other t"}
        << QStringList{"0 in q@0", "0 refused", "0 refused", "0 shown s@0", "0 shown t@0"};
    QTest::newRow("a clear while lines wait: they follow it, a hold later")
        << false << QStringList{"0 own a", "100 own b", "300 set", "900 tick"}
        << QStringList{"0 in a@0", "300 set", "900 in b@0"};
}

void TstLinePacer::paces() {
    QFETCH(bool, ownerOnly);
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    int now = 0;
    ChatRoom room(QStringLiteral("me"));
    room.setClock([&now] { return QTime(10, 0, 0).addMSecs(now); });
    LinePacer &pacer = room.pacer();
    pacer.setClock([&now] { return std::chrono::milliseconds(now); });
    pacer.setOwnerOnly(ownerOnly);
    QStringList log;
    const auto note = [&](const QString &what) {
        log << QString::number(now) + ' ' + what;
    };
    const QRegularExpression said(R"(: (.*)<!-- \(\d\d:\d\d:0(\d)\))");
    const auto noteLine = [&](const char *what, const QString &line) {
        const QRegularExpressionMatch m = said.match(line);
        note(QString::fromLatin1(what) + ' ' + m.captured(1) + '@' + m.captured(2));
    };
    connect(&room, &ChatRoom::lineAppended, this, [&](const QString &l) { noteLine("in", l); });
    connect(&room, &ChatRoom::lineNotPassedOn, this,
            [&](const QString &l) { noteLine("shown", l); });
    connect(&room, &ChatRoom::transcriptReplaced, this, [&] { note("set"); });
    connect(&pacer, &LinePacer::refused, this, [&] { note("refused"); });
    connect(&pacer, &LinePacer::overflowing, this, [&] { note("notice"); });
    const QStringList origins{"own", "owner", "other"}; // in the order of LinePacer::Origin
    // The pacer's timer never fires here (no event loop): the test lets in what is due.
    for (const QString &step : script) {
        const QStringList words = step.split(' ');
        for (; now < words[0].toInt(); now += 10)
            pacer.releaseDue();
        pacer.releaseDue();
        if (words[1] == "set")
            room.setTranscript(QStringLiteral("cleared"));
        for (int i = 0; origins.contains(words[1]) && i < words.value(3, "1").toInt(); ++i)
            room.appendLine(words[1], words[2], LinePacer::Origin(origins.indexOf(words[1])));
    }
    QCOMPARE(log, expected);
}

QTEST_GUILESS_MAIN(TstLinePacer)
#include "tst_linepacer.moc"
