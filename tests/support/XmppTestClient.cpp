#include "support/XmppTestClient.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QByteArray kStreamHeader = "<?xml version='1.0'?><stream:stream to='localhost' version='1.0' "
                                 "xmlns='jabber:client' "
                                 "xmlns:stream='http://etherx.jabber.org/streams'>";

// The server writes single-quoted attributes and escapes '>' in them, and none of these stanzas
// holds another of its own name.
const QRegularExpression
    kStanza(QStringLiteral("<(message|presence|iq|success|failure|stream:features)\\b"
                           "(?:[^>]*/>|.*?</\\1>)"),
            QRegularExpression::DotMatchesEverythingOption);

QByteArray attribute(const QByteArray &stanza, const char *name) {
    const QRegularExpression pattern(QStringLiteral("^<[^>]*\\b%1='([^']*)'").arg(name));
    return pattern.match(QString::fromUtf8(stanza)).captured(1).toUtf8();
}

// The text of `xml`, entities decoded.
QByteArray text(const QByteArray &xml) {
    QXmlStreamReader reader("<t>" + xml + "</t>");
    reader.readNextStartElement();
    return reader.readElementText().toUtf8();
}

QByteArray escaped(QByteArray text) {
    return text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
}

} // namespace

XmppTestClient::XmppTestClient(QObject *parent) : QObject(parent) {
    connect(&m_socket, &QTcpSocket::readyRead, this, &XmppTestClient::read);
}

bool XmppTestClient::signOn(quint16 port, const QByteArray &user, const QByteArray &password) {
    m_socket.abort();
    m_buffer.clear();
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    const auto starts = [](const char *name) {
        return [name](const QByteArray &stanza) {
            return stanza.startsWith(name);
        };
    };
    forget();
    if (!m_socket.waitForConnected(5000))
        return false;
    send(kStreamHeader);
    if (!waitFor(starts("<stream:features")))
        return false;
    forget();
    send("<auth xmlns='urn:ietf:params:xml:ns:xmpp-sasl' mechanism='PLAIN'>" +
         (QByteArray(1, '\0') + user + '\0' + password).toBase64() + "</auth>");
    if (!waitFor(starts("<success")))
        return false;
    forget();
    send(kStreamHeader); // a new stream after signing in
    if (!waitFor(starts("<stream:features")))
        return false;
    send("<iq type='set' id='bind'><bind xmlns='urn:ietf:params:xml:ns:xmpp-bind'/></iq>");
    if (!waitFor([](const QByteArray &s) { return attribute(s, "id") == "bind"; }))
        return false;
    send("<presence/>");
    forget();
    return true;
}

bool XmppTestClient::join(const QByteArray &room, const QByteArray &nick) {
    m_room = room;
    send("<presence to='" + room + "/" + nick +
         "'><x xmlns='http://jabber.org/protocol/muc'/></presence>");
    // The room answers with its members, this client last, or with an error.
    QByteArray answer;
    waitFor([&](const QByteArray &s) {
        if (attribute(s, "from") != room + "/" + nick || !s.startsWith("<presence"))
            return false;
        answer = s;
        return true;
    });
    return !answer.isEmpty() && attribute(answer, "type") != "error";
}

void XmppTestClient::send(const QByteArray &xml) {
    m_socket.write(xml);
    m_socket.flush();
}

void XmppTestClient::say(const QByteArray &text) {
    send("<message to='" + m_room + "' type='groupchat'><body>" + escaped(text) +
         "</body></message>");
}

void XmppTestClient::setSubject(const QByteArray &subject) {
    send("<message to='" + m_room + "' type='groupchat'><subject>" + escaped(subject) +
         "</subject></message>");
}

void XmppTestClient::quit() {
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    send("</stream:stream>");
    m_socket.waitForDisconnected(2000);
    m_socket.abort();
}

bool XmppTestClient::kick(const QByteArray &nick) {
    send("<iq type='set' id='kick' to='" + m_room +
         "'><query xmlns='http://jabber.org/protocol/muc#admin'><item nick='" + nick +
         "' role='none'/></query></iq>");
    return waitFor([](const QByteArray &s) {
        return attribute(s, "id") == "kick" && attribute(s, "type") == "result";
    });
}

QList<QByteArray> XmppTestClient::textsFrom(const QByteArray &nick) const {
    static const QRegularExpression body(QStringLiteral("<body>(.*?)</body>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QList<QByteArray> texts;
    for (const QByteArray &stanza : m_stanzas) {
        const QRegularExpressionMatch match = body.match(QString::fromUtf8(stanza));
        if (stanza.startsWith("<message") && attribute(stanza, "from") == m_room + "/" + nick &&
            match.hasMatch())
            texts += text(match.captured(1).toUtf8());
    }
    return texts;
}

bool XmppTestClient::waitForText(const QByteArray &nick, const QByteArray &start, int timeoutMs) {
    return waitFor(
        [&](const QByteArray &) {
            const QList<QByteArray> texts = textsFrom(nick);
            return std::any_of(texts.cbegin(), texts.cend(),
                               [&](const QByteArray &t) { return t.startsWith(start); });
        },
        timeoutMs);
}

bool XmppTestClient::sees(const QByteArray &nick, int timeoutMs) {
    return waitFor(
        [&](const QByteArray &s) {
            return s.startsWith("<presence") && attribute(s, "from") == m_room + "/" + nick &&
                   attribute(s, "type").isEmpty();
        },
        timeoutMs);
}

bool XmppTestClient::waitFor(const std::function<bool(const QByteArray &)> &accept, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (qsizetype checked = 0;; QTest::qWait(10)) {
        for (; checked < m_stanzas.size(); ++checked) {
            if (accept(m_stanzas.at(checked)))
                return true;
        }
        if (deadline.hasExpired())
            return false;
    }
}

void XmppTestClient::read() {
    m_buffer += m_socket.readAll();
    // Whole stanzas end on whole characters; the rest may stop inside one and is kept as bytes.
    const QString stream = QString::fromUtf8(m_buffer);
    qsizetype end = 0;
    for (auto it = kStanza.globalMatch(stream); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        m_stanzas += match.captured().toUtf8();
        end = match.capturedEnd();
    }
    m_buffer.remove(0, stream.left(end).toUtf8().size());
}
