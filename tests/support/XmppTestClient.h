#pragma once

#include "support/ChatMember.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpSocket>
#include <functional>

// A plain XMPP client for the tests, playing a person in a group chat on the domain "localhost":
// an unencrypted stream with SASL PLAIN, which the tests' server allows. It keeps each stanza it
// receives as the server wrote it; the waits run the event loop of the calling thread.
class XmppTestClient : public QObject, public ChatMember {
    Q_OBJECT
public:
    explicit XmppTestClient(QObject *parent = nullptr);

    // Signs in as user@localhost; true once a resource is bound and the client is present.
    bool signOn(quint16 port, const QByteArray &user, const QByteArray &password);
    // Enters the group chat `room` as `nick`; true once the room shows this client as a member.
    bool join(const QByteArray &room, const QByteArray &nick);
    void send(const QByteArray &xml);
    // To the group chat joined last; the text is escaped here.
    void say(const QByteArray &text) override;
    void setSubject(const QByteArray &subject);
    void quit() override;
    void dropConnection() override { m_socket.abort(); }
    bool kick(const QByteArray &nick) override;

    void forget() override { m_stanzas.clear(); }
    // History included.
    QList<QByteArray> textsFrom(const QByteArray &nick) const override;
    bool waitForText(const QByteArray &nick, const QByteArray &start,
                     int timeoutMs = 5000) override;
    bool sees(const QByteArray &nick, int timeoutMs = 10000) override;

private:
    bool waitFor(const std::function<bool(const QByteArray &stanza)> &accept, int timeoutMs = 5000);
    void read();

    QTcpSocket m_socket;
    QByteArray m_buffer; // the stream after the last whole stanza
    QList<QByteArray> m_stanzas;
    QByteArray m_room;
};
