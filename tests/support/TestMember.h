#pragma once

#include <QByteArray>
#include <QList>
#include <memory>

class IrcTestClient;
class TestNetwork;
class XmppTestClient;

// A person in the test network's group chat, through the small IRC or XMPP test client.
class TestMember {
public:
    explicit TestMember(const TestNetwork &network);
    ~TestMember();

    // Signs on with `account` (alice, bob, mallory) and enters the group chat as `nick`.
    bool enter(const QByteArray &nick, const QByteArray &account, bool anonymousRoom = false);
    void say(const QByteArray &text);
    void quit();
    void dropConnection();
    // Takes the room's nick out of the group chat, as a moderator (the first one in) may.
    bool kick(const QByteArray &nick);

    void forget();
    QList<QByteArray> textsFrom(const QByteArray &nick) const;
    bool waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs = 5000);
    // True once `nick` is in the group chat: seen joining, or found there on entering.
    bool sees(const QByteArray &nick, int timeoutMs = 10000);

    IrcTestClient *irc() const { return m_irc.get(); }
    XmppTestClient *xmpp() const { return m_xmpp.get(); }

private:
    const TestNetwork &m_network;
    std::unique_ptr<IrcTestClient> m_irc;
    std::unique_ptr<XmppTestClient> m_xmpp;
    QByteArray m_place;
};
