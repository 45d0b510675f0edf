#include "support/XmppTestClient.h"

#include <QDeadlineTimer>
#include <QTest>

#include <optional>

namespace {

const QByteArray kStreamHeader = "<?xml version='1.0'?><stream:stream to='localhost' version='1.0' "
                                 "xmlns='jabber:client' "
                                 "xmlns:stream='http://etherx.jabber.org/streams'>";

// What the client looks at in a stanza.
struct Stanza {
    QByteArray name, from, type, id;
    std::optional<QByteArray> body; // entities decoded
    bool self = false;              // the room speaking of this very client (status 110)
};

Stanza parse(const QByteArray &xml) {
    Stanza stanza;
    QXmlStreamReader reader(xml);
    // The stream's prefixes are declared on the stream, not in the stanza.
    reader.setNamespaceProcessing(false);
    for (int depth = 0; !reader.atEnd();) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (++depth == 1) {
            stanza.name = reader.qualifiedName().toUtf8();
            stanza.from = attributes.value(QLatin1String("from")).toUtf8();
            stanza.type = attributes.value(QLatin1String("type")).toUtf8();
            stanza.id = attributes.value(QLatin1String("id")).toUtf8();
        } else if (depth == 2 && reader.name() == u"body" && !stanza.body) {
            stanza.body = reader.readElementText().toUtf8();
            --depth;
        } else if (reader.name() == u"status") {
            stanza.self = stanza.self || attributes.value(QLatin1String("code")) == u"110";
        }
    }
    return stanza;
}

QByteArray escaped(QByteArray text) {
    return text.replace('&', "&amp;")
        .replace('<', "&lt;")
        .replace('>', "&gt;")
        .replace('\'', "&apos;")
        .replace('"', "&quot;");
}

} // namespace

XmppTestClient::XmppTestClient(QObject *parent) : QObject(parent), m_decoder(QStringDecoder::Utf8) {
    connect(&m_socket, &QTcpSocket::readyRead, this, &XmppTestClient::readStanzas);
}

bool XmppTestClient::signOn(quint16 port, const QByteArray &user, const QByteArray &password) {
    m_socket.abort();
    m_decoder.resetState();
    m_received.clear();
    m_room.clear();
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    if (!m_socket.waitForConnected(5000))
        return false;
    const auto features = [](const QByteArray &xml) {
        return parse(xml).name == "stream:features";
    };
    openStream();
    if (!waitFor(features))
        return false;
    send("<auth xmlns='urn:ietf:params:xml:ns:xmpp-sasl' mechanism='PLAIN'>" +
         (QByteArray(1, '\0') + user + '\0' + password).toBase64() + "</auth>");
    QByteArray outcome;
    if (!waitFor([&](const QByteArray &xml) {
            outcome = parse(xml).name;
            return outcome == "success" || outcome == "failure";
        }) ||
        outcome != "success")
        return false;
    // The signed-in stream is a new one; its features are the ones to wait for.
    const qsizetype signedIn = m_received.size();
    openStream();
    if (!waitFrom(signedIn, features, 5000))
        return false;
    send("<iq type='set' id='bind'><bind xmlns='urn:ietf:params:xml:ns:xmpp-bind'/></iq>");
    if (!waitFor([&](const QByteArray &xml) {
            const Stanza stanza = parse(xml);
            outcome = stanza.type;
            return stanza.name == "iq" && stanza.id == "bind";
        }) ||
        outcome != "result")
        return false;
    send("<presence/>");
    return true;
}

bool XmppTestClient::join(const QByteArray &room, const QByteArray &nick) {
    m_room = room;
    m_nick = nick;
    const qsizetype before = m_received.size();
    send("<presence to='" + escaped(room + '/' + nick) +
         "'><x xmlns='http://jabber.org/protocol/muc'/></presence>");
    bool refused = false;
    return waitFrom(
               before,
               [&](const QByteArray &xml) {
                   const Stanza stanza = parse(xml);
                   if (stanza.name != "presence" || stanza.from != room + '/' + nick)
                       return false;
                   refused = stanza.type == "error";
                   return refused || stanza.self;
               },
               5000) &&
           !refused;
}

void XmppTestClient::send(const QByteArray &xml) {
    m_socket.write(xml);
    m_socket.flush();
}

void XmppTestClient::say(const QByteArray &text) {
    send("<message to='" + escaped(m_room) + "' type='groupchat'><body>" + escaped(text) +
         "</body></message>");
}

void XmppTestClient::setSubject(const QByteArray &subject) {
    send("<message to='" + escaped(m_room) + "' type='groupchat'><subject>" + escaped(subject) +
         "</subject></message>");
}

void XmppTestClient::quit() {
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    if (!m_room.isEmpty())
        send("<presence type='unavailable' to='" + escaped(m_room + '/' + m_nick) + "'/>");
    send("</stream:stream>");
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.waitForDisconnected(2000);
    m_socket.abort();
}

std::optional<QByteArray> XmppTestClient::textOf(const QByteArray &xml,
                                                 const QByteArray &nick) const {
    const Stanza stanza = parse(xml);
    if (stanza.name == "message" && stanza.type == "groupchat" &&
        stanza.from == m_room + '/' + nick)
        return stanza.body;
    return std::nullopt;
}

QList<QByteArray> XmppTestClient::textsFrom(const QByteArray &nick) const {
    QList<QByteArray> texts;
    for (const QByteArray &xml : m_received) {
        if (const std::optional<QByteArray> text = textOf(xml, nick))
            texts += *text;
    }
    return texts;
}

bool XmppTestClient::sawOccupant(const QByteArray &nick) const {
    for (auto it = m_received.crbegin(); it != m_received.crend(); ++it) {
        const Stanza stanza = parse(*it);
        if (stanza.name == "presence" && stanza.from == m_room + '/' + nick)
            return stanza.type.isEmpty();
    }
    return false;
}

bool XmppTestClient::waitFor(const std::function<bool(const QByteArray &)> &accept, int timeoutMs) {
    return waitFrom(0, accept, timeoutMs);
}

bool XmppTestClient::waitFrom(qsizetype first,
                              const std::function<bool(const QByteArray &)> &accept,
                              int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (qsizetype checked = first;;) {
        for (; checked < m_received.size(); ++checked) {
            if (accept(m_received.at(checked)))
                return true;
        }
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
}

bool XmppTestClient::waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs) {
    return waitFor(
        [&](const QByteArray &xml) {
            const std::optional<QByteArray> text = textOf(xml, nick);
            return text && text->startsWith(start);
        },
        timeoutMs);
}

void XmppTestClient::openStream() {
    m_reader.clear();
    m_text.clear();
    m_textStart = m_stanzaStart = 0;
    m_depth = 0;
    send(kStreamHeader);
}

// The stream is one XML document that never ends while the client is signed on; each element
// directly inside it is a stanza, kept as the text the server sent.
void XmppTestClient::readStanzas() {
    const QString data = m_decoder.decode(m_socket.readAll());
    m_text += data;
    m_reader.addData(data);
    for (;;) {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        if (token == QXmlStreamReader::Invalid || token == QXmlStreamReader::EndDocument)
            break;
        if (token == QXmlStreamReader::StartElement)
            ++m_depth;
        else if (token == QXmlStreamReader::EndElement && --m_depth == 1)
            m_received +=
                m_text.mid(m_stanzaStart - m_textStart, m_reader.characterOffset() - m_stanzaStart)
                    .toUtf8();
        if (m_depth <= 1) {
            // Between stanzas: the next one starts here, and what came before is done with.
            m_stanzaStart = m_reader.characterOffset();
            m_text.remove(0, m_stanzaStart - m_textStart);
            m_textStart = m_stanzaStart;
        }
    }
}
