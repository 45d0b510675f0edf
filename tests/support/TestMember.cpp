#include "support/TestMember.h"

#include "support/IrcTestClient.h"
#include "support/TestNetwork.h"
#include "support/XmppTestClient.h"

TestMember::TestMember(const TestNetwork &network) : m_network(network) {
    if (network.isIrc())
        m_irc = std::make_unique<IrcTestClient>();
    else
        m_xmpp = std::make_unique<XmppTestClient>();
}

TestMember::~TestMember() = default;

bool TestMember::enter(const QByteArray &nick, const QByteArray &account, bool anonymousRoom) {
    m_place = m_network.place(anonymousRoom);
    if (m_irc)
        return m_irc->signOn(m_network.port(), nick, account, m_network.password()) &&
               m_irc->join(m_place);
    return m_xmpp->signOn(m_network.port(), account, m_network.password()) &&
           m_xmpp->join(m_place, nick);
}

void TestMember::say(const QByteArray &text) {
    m_irc ? m_irc->say(m_place, text) : m_xmpp->say(text);
}

void TestMember::quit() {
    m_irc ? m_irc->quit() : m_xmpp->quit();
}

void TestMember::dropConnection() {
    m_irc ? m_irc->dropConnection() : m_xmpp->dropConnection();
}

bool TestMember::kick(const QByteArray &nick) {
    if (m_irc) {
        m_irc->send("KICK " + m_place + " " + nick + " :out");
        return m_irc->waitFor([](const IrcMessage &m) { return m.command == "KICK"; });
    }
    m_xmpp->send("<iq type='set' id='kick' to='" + m_place +
                 "'><query xmlns='http://jabber.org/protocol/muc#admin'><item nick='" + nick +
                 "' role='none'/></query></iq>");
    return m_xmpp->waitFor([](const QByteArray &stanza) {
        return stanza.startsWith("<iq") && stanza.contains("'kick'") && stanza.contains("'result'");
    });
}

void TestMember::forget() {
    m_irc ? m_irc->forget() : m_xmpp->forget();
}

QList<QByteArray> TestMember::textsFrom(const QByteArray &nick) const {
    return m_irc ? m_irc->textsFrom(nick) : m_xmpp->textsFrom(nick);
}

bool TestMember::waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs) {
    return m_irc ? m_irc->waitForText(nick, start, timeoutMs)
                 : m_xmpp->waitForText(nick, start, timeoutMs);
}

bool TestMember::sees(const QByteArray &nick, int timeoutMs) {
    if (m_xmpp)
        return m_xmpp->waitFor([&](const QByteArray &) { return m_xmpp->sawOccupant(nick); },
                               timeoutMs) ||
               m_xmpp->sawOccupant(nick);
    return m_irc->waitFor(
        [&](const IrcMessage &m) {
            if (m.command == "353") {
                const QList<QByteArray> names = m.params.last().split(' ');
                return names.contains(nick) || names.contains("@" + nick) ||
                       names.contains("+" + nick);
            }
            return m.command == "JOIN" && m.nick() == nick;
        },
        timeoutMs);
}
