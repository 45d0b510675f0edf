// The room on IRC taking whatever an IRC server sends: a real IrcClient connected over loopback
// to a server played by this fuzzer, joined to a ChatRoom by NetworkRoomLink. The input is lines
// split by LF; each is sent to the client as a server line, except "SAY text", which the room's
// own user says (it goes out to the channel once the client is in it).
#include "FuzzInput.h"

#include "chatroom/ChatRoom.h"
#include "chatroom/NetworkRoomLink.h"
#include "chatroom/irc/IrcClient.h"
#include "chatroom/irc/IrcMessage.h"
#include "chatroom/irc/IrcOwnerMask.h"

#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QTcpServer *listener = nullptr;
const QTime kNow(12, 0, 0);

void pump(int rounds = 3) {
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The transcript line's own markup: everything else in it came from the network and must have
// been escaped.
qsizetype frameMarkup() {
    const QString empty = ChatRoom::formatLine(QString(), QString(), kNow);
    return empty.count(QLatin1Char('<')) + empty.count(QLatin1Char('>'));
}

// The owner mask "alice!*@trusted.example" read from its description: a nick that is alice
// (control characters never count) at that host, or an account the server tags as alice's.
// Letters compare one by one in lower case, as nicks do.
bool vouchedForAlice(QByteArray source, const QString &account) {
    source.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    const auto lower = [](QString text) {
        for (QChar &c : text)
            c = c.toLower();
        return text;
    };
    const QString from = lower(QString::fromUtf8(source));
    return (from.startsWith(QLatin1String("alice!")) &&
            from.endsWith(QLatin1String("@trusted.example")) &&
            from.size() >= qsizetype(sizeof "alice!@trusted.example") - 1) ||
           lower(account) == QLatin1String("alice");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::ensureApplication();
    listener = new QTcpServer();
    FUZZ_CHECK(listener->listen(QHostAddress::LocalHost, 0));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QList<QByteArray> lines = fuzz::bytes(data, size).split('\n');

    ChatRoom room(QStringLiteral("zandoramp"));
    room.setClock([] { return kNow; });
    // Every line is due at once, so that each channel message's lines are known when it is
    // handled; how lines are paced is not what this is about.
    room.pacer().setClock(
        [n = std::chrono::milliseconds(0)]() mutable { return n += LinePacer::hold; });
    QStringList appended;
    QObject::connect(&room, &ChatRoom::lineAppended,
                     [&](const QString &line) { appended.append(line); });
    // Lines of others that only the window shows: no markup from the network there either.
    QStringList shownOnly;
    QObject::connect(&room, &ChatRoom::lineNotPassedOn,
                     [&](const QString &line) { shownOnly.append(line); });
    IrcClient::Settings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = listener->serverPort();
    settings.nick = QStringLiteral("zandoramp");
    settings.channel = QStringLiteral("#chan");
    settings.owner = IrcOwnerMask(QStringLiteral("alice!*@trusted.example"));
    auto *client = new IrcClient(settings);
    // The lines each channel message put in the transcript, and whether its sender was alice:
    // the link's own handler runs between these two.
    qsizetype shownBefore = -1;
    QObject::connect(client, &RoomNetwork::messageArrived, [&] { shownBefore = appended.size(); });
    NetworkRoomLink link(&room, client);
    QSet<qsizetype> fromAlice;
    QObject::connect(
        client, &IrcClient::channelMessage, [&](const QByteArray &source, const QString &account) {
            for (qsizetype i = shownBefore; shownBefore >= 0 && i < appended.size(); ++i)
                if (vouchedForAlice(source, account))
                    fromAlice.insert(i);
            shownBefore = -1;
        });
    client->start();
    FUZZ_CHECK(listener->waitForNewConnection(5000));
    QTcpSocket *peer = listener->nextPendingConnection();
    FUZZ_CHECK(peer);
    for (int i = 0; i < 100 && client->state() == IrcClient::State::Connecting; ++i)
        pump(1);

    QByteArray fromClient;
    qsizetype said = 0;
    for (const QByteArray &line : lines) {
        if (line.startsWith("SAY ")) {
            room.setInput(QString::fromUtf8(line.mid(4)));
            room.send();
            ++said;
        } else if (peer->state() == QAbstractSocket::ConnectedState) {
            peer->write(line + '\n');
            peer->flush();
        }
        pump();
        fromClient += peer->readAll();
    }
    pump();
    fromClient += peer->readAll();

    // What the client sent is whole IRC lines; what it says in the channel fits in a line.
    for (const QByteArray &line : fromClient.split('\n')) {
        if (line.isEmpty())
            continue;
        FUZZ_CHECK(line.endsWith('\r') && line.indexOf('\r') == line.size() - 1);
        const std::optional<IrcMessage> message = IrcMessage::parse(line.chopped(1));
        FUZZ_CHECK(message.has_value());
        if (message->command == "PRIVMSG")
            FUZZ_CHECK(line.size() + 1 <= 512);
    }
    FUZZ_CHECK(!fromClient.isEmpty() || peer->state() != QAbstractSocket::ConnectedState ||
               client->state() != IrcClient::State::SigningOn);

    // Nothing reaches the transcript as markup: what the network sends, and the user's own lines
    // too, which go out to the channel as plain text and come back like any other. And the
    // transcript grows no faster than what came in.
    const qsizetype markup = frameMarkup();
    for (const QString &line : appended + shownOnly)
        FUZZ_CHECK(line.count(QLatin1Char('<')) + line.count(QLatin1Char('>')) == markup);
    FUZZ_CHECK(room.transcriptUtf8().size() <=
               qsizetype(size) * 16 + (lines.size() + said) * 2 * markup * 40);
    // The owner's nick, read the way the player reads a speaker (carriage returns and spaces
    // removed, lower case), is never shown for a sender whose address does not match, unless
    // the server vouched for the account.
    for (qsizetype i = 0; i < appended.size(); ++i) {
        const QString &line = appended[i];
        const qsizetype from = line.indexOf(QLatin1String("<B>")) + 3;
        QString speaker = line.mid(from, line.indexOf(QLatin1String("</B>")) - from);
        speaker.remove(QChar(13));
        if (speaker.toLower().remove(QLatin1Char(' ')) == QLatin1String("alice"))
            FUZZ_CHECK(fromAlice.contains(i));
    }
    FUZZ_CHECK(client->pending() <= client->queueBound());

    delete client;
    delete peer;
    return 0;
}
