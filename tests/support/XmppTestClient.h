#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QXmlStreamReader>
#include <functional>
#include <optional>

// A plain XMPP client for the tests, playing a person in a group chat on the domain "localhost":
// an unencrypted stream with SASL PLAIN. It keeps every stanza it receives, as the server wrote
// it; the waits run the event loop of the calling thread.
class XmppTestClient : public QObject {
    Q_OBJECT
public:
    explicit XmppTestClient(QObject *parent = nullptr);

    // Connects to the server on the loopback port and signs in as user@localhost; true once a
    // resource is bound and the client is present.
    bool signOn(quint16 port, const QByteArray &user, const QByteArray &password = "letmein");
    // Enters the group chat `room` ("name@service") as `nick`; true once the room shows this
    // client as a member, false when it refuses (the nick taken, for one).
    bool join(const QByteArray &room, const QByteArray &nick);
    void send(const QByteArray &xml);
    // A message to the whole room joined last; the text is escaped here.
    void say(const QByteArray &text);
    void setSubject(const QByteArray &subject);
    // Leaves the room and closes the stream.
    void quit();
    void dropConnection() { m_socket.abort(); }

    QList<QByteArray> received() const { return m_received; }
    void forget() { m_received.clear(); }
    // The texts of the room's messages from `nick`, in the order they came, history included.
    QList<QByteArray> textsFrom(const QByteArray &nick) const;
    // Whether the last word of the room about `nick` was that it is a member.
    bool sawOccupant(const QByteArray &nick) const;
    // Waits up to `timeoutMs` for a received stanza that `accept` takes.
    bool waitFor(const std::function<bool(const QByteArray &stanza)> &accept, int timeoutMs = 5000);
    // Waits for a room message from `nick` whose text starts with `start`.
    bool waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs = 5000);

private:
    // Waits as waitFor() does, looking only at the stanzas from index `first` on.
    bool waitFrom(qsizetype first, const std::function<bool(const QByteArray &)> &accept,
                  int timeoutMs);
    // The text of a message to the room from `nick`; nothing for any other stanza.
    std::optional<QByteArray> textOf(const QByteArray &xml, const QByteArray &nick) const;
    void openStream();
    void readStanzas();

    QTcpSocket m_socket;
    QStringDecoder m_decoder;
    QXmlStreamReader m_reader;
    QString m_text; // what the reader has not yet seen the end of, from m_textStart on
    qint64 m_textStart = 0;
    qint64 m_stanzaStart = 0;
    int m_depth = 0;
    QList<QByteArray> m_received;
    QByteArray m_room;
    QByteArray m_nick;
};
