#include "chatroom/xmpp/XmppClient.h"

#include "chatroom/irc/IrcText.h"

#include <QHash>
#include <QSocketNotifier>
#include <strophe.h>
#include <sys/socket.h>

namespace {

const char kMucNs[] = "http://jabber.org/protocol/muc";
const char kMucUserNs[] = "http://jabber.org/protocol/muc#user";
// A line longer than this goes out in several messages; servers refuse stanzas past some size.
constexpr qsizetype kLongestBody = 3000;
// libstrophe reads at most 4 KiB per turn and may keep the rest of a TLS record (up to 16 KiB)
// where no socket notifier sees it: enough turns per wake-up to empty one record.
constexpr int kTurnsPerWakeUp = 5;

// libstrophe's socket callback carries no user data: the connection finds its client here.
QHash<xmpp_conn_t *, XmppClient *> &clients() {
    static QHash<xmpp_conn_t *, XmppClient *> map;
    return map;
}

QString text(const char *utf8) {
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// Control characters would let a message or a nick start a line of its own in the transcript.
QString oneLine(QString s) {
    for (QChar &c : s) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return s;
}

QString stanzaErrorText(xmpp_stanza_t *stanza) {
    xmpp_stanza_t *error = xmpp_stanza_get_child_by_name(stanza, "error");
    for (xmpp_stanza_t *c = error ? xmpp_stanza_get_children(error) : nullptr; c;
         c = xmpp_stanza_get_next(c)) {
        if (xmpp_stanza_is_tag(c) && text(xmpp_stanza_get_name(c)) != QLatin1String("text"))
            return text(xmpp_stanza_get_name(c));
    }
    return QStringLiteral("error");
}

} // namespace

// Trampolines from libstrophe's C callbacks to the client.
struct XmppCallbacks {
    static int socketMade(xmpp_conn_t *conn, void *sock) {
        if (XmppClient *client = clients().value(conn))
            client->watchSocket(*static_cast<int *>(sock));
        return xmpp_sockopt_cb_keepalive(conn, sock);
    }
    static int certificateRefused(const xmpp_tlscert_t *, const char *const error) {
        // Never accepted: the handshake fails and the disconnect below tells why.
        if (running())
            running()->setLastError(XmppClient::tr("certificate not trusted: %1").arg(text(error)));
        return 0;
    }
    // The client whose connection libstrophe is serving: the certificate callback carries neither
    // user data nor, in this version, its connection.
    static XmppClient *&running() {
        static XmppClient *client = nullptr;
        return client;
    }
    static void connection(xmpp_conn_t *, xmpp_conn_event_t event, int,
                           xmpp_stream_error_t *streamError, void *userdata) {
        auto *client = static_cast<XmppClient *>(userdata);
        if (client->m_closing)
            return;
        if (event == XMPP_CONN_CONNECT)
            return client->connected();
        QString why = client->lastError();
        if (why.isEmpty() && streamError)
            why = streamError->text ? text(streamError->text)
                                    : XmppClient::tr("stream error %1").arg(streamError->type);
        client->disconnected(why.isEmpty() ? XmppClient::tr("connection closed") : why);
    }
    static int stanza(xmpp_conn_t *, xmpp_stanza_t *stanza, void *userdata) {
        auto *client = static_cast<XmppClient *>(userdata);
        const QString name = text(xmpp_stanza_get_name(stanza));
        if (name == QLatin1String("presence"))
            client->handlePresence(stanza);
        else if (name == QLatin1String("message"))
            client->handleMessage(stanza);
        else if (name == QLatin1String("iq"))
            client->answerQuery(stanza);
        return 1; // keep the handler
    }
    static void log(void *userdata, xmpp_log_level_t level, const char *, const char *msg) {
        // Errors only: the debug level would show the sign-in exchange.
        auto *client = static_cast<XmppClient *>(userdata);
        if (level >= XMPP_LEVEL_ERROR && client->lastError().isEmpty())
            client->setLastError(text(msg));
    }
};

XmppClient::XmppClient(Settings settings, QObject *parent)
    : RoomNetwork(QStringLiteral("XMPP"), settings, parent), m_settings(std::move(settings)),
      m_occupants(m_settings.owner) {
    static const bool initialized = (xmpp_initialize(), true);
    Q_UNUSED(initialized);
    m_logger = std::make_unique<xmpp_log_t>(xmpp_log_t{&XmppCallbacks::log, this});
    m_pumpSoon.setSingleShot(true);
    m_pumpSoon.setInterval(0);
    connect(&m_pumpSoon, &QTimer::timeout, this, &XmppClient::pump);
    connect(&m_tick, &QTimer::timeout, this, &XmppClient::pump);
}

XmppClient::~XmppClient() {
    m_closing = true;
    if (m_conn && xmpp_conn_is_connected(m_conn)) {
        // Leaves the group chat and closes the stream, both sent before the socket closes.
        xmpp_disconnect(m_conn);
        m_pumping = true;
        xmpp_run_once(m_ctx, 0);
    }
    releaseConnection();
}

QList<QByteArray> XmppClient::encode(const QString &line) const {
    // The room's formatting travels as IRC's codes, which XMPP's plain text has no use for.
    return irctext::split(irctext::stripFormatting(line), kLongestBody);
}

void XmppClient::write(const QByteArray &message) {
    if (!m_conn)
        return;
    xmpp_stanza_t *stanza =
        xmpp_message_new(m_ctx, "groupchat", m_settings.room.toUtf8().constData(), nullptr);
    xmpp_message_set_body(stanza, message.constData());
    xmpp_send(m_conn, stanza);
    xmpp_stanza_release(stanza);
    pumpSoon();
}

void XmppClient::connectToServer() {
    releaseConnection();
    setLastError(QString());
    m_inRoom = false;
    setNick(m_settings.nick, false);
    m_occupants.clear();
    m_ctx = xmpp_ctx_new(nullptr, m_logger.get());
    m_conn = xmpp_conn_new(m_ctx);
    clients().insert(m_conn, this);
    // Stream management would resend stanzas after a reconnect that the room has seen.
    xmpp_conn_set_flags(m_conn, XMPP_CONN_FLAG_MANDATORY_TLS | XMPP_CONN_FLAG_DISABLE_SM);
    xmpp_conn_set_jid(m_conn, m_settings.jid.toUtf8().constData());
    if (!m_settings.password.isEmpty())
        xmpp_conn_set_pass(m_conn, m_settings.password.constData());
    if (!m_settings.trustedCertificateFile.isEmpty())
        xmpp_conn_set_cafile(m_conn, m_settings.trustedCertificateFile.toLocal8Bit().constData());
    xmpp_conn_set_certfail_handler(m_conn, &XmppCallbacks::certificateRefused);
    xmpp_conn_set_sockopt_callback(m_conn, &XmppCallbacks::socketMade);
    setState(State::Connecting, tr("XMPP: connecting to %1 as %2").arg(where(), m_settings.jid));
    const QByteArray host = m_settings.host.toUtf8();
    if (xmpp_connect_client(m_conn, host.constData(), m_settings.port, &XmppCallbacks::connection,
                            this) != XMPP_EOK)
        return retryLater(lastError().isEmpty() ? tr("cannot reach the server") : lastError());
    // The sign-in has timeouts of a few seconds; in the room libstrophe keeps none of its own.
    m_tick.start(1000);
    pumpSoon();
}

void XmppClient::releaseConnection() {
    m_readable.reset();
    m_writable.reset();
    m_tick.stop();
    if (m_conn) {
        clients().remove(m_conn);
        xmpp_conn_release(m_conn);
        m_conn = nullptr;
    }
    if (m_ctx) {
        xmpp_ctx_free(m_ctx);
        m_ctx = nullptr;
    }
}

void XmppClient::watchSocket(int fd) {
    dropNotifiers(); // libstrophe may try a second address with a new socket
    m_readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    m_writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(m_readable.get(), &QSocketNotifier::activated, this, &XmppClient::pump);
    connect(m_writable.get(), &QSocketNotifier::activated, this, &XmppClient::pump);
}

void XmppClient::pump() {
    if (!m_ctx || m_pumping)
        return;
    m_pumping = true;
    XmppCallbacks::running() = this;
    for (int i = 0; i < kTurnsPerWakeUp && m_conn && !xmpp_conn_is_disconnected(m_conn); ++i)
        xmpp_run_once(m_ctx, 0);
    XmppCallbacks::running() = nullptr;
    m_pumping = false;
    if (!m_writable || !m_conn || xmpp_conn_is_disconnected(m_conn))
        return;
    // Writable matters while the connection is being made and while output waits; otherwise a
    // socket is nearly always writable and the notifier would spin.
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    const bool stillConnecting =
        getpeername(m_writable->socket(), reinterpret_cast<sockaddr *>(&peer), &size) != 0;
    m_writable->setEnabled(stillConnecting || xmpp_conn_send_queue_len(m_conn) > 0);
}

void XmppClient::connected() {
    // One handler for both: libstrophe keeps a function and user data only once, whatever the
    // stanza name it was added for.
    xmpp_handler_add(m_conn, &XmppCallbacks::stanza, nullptr, nullptr, nullptr, this);
    join();
}

void XmppClient::disconnected(const QString &why) {
    // libstrophe has closed the socket: the notifiers go before its number is used again.
    dropNotifiers();
    retryLater(why);
}

void XmppClient::dropNotifiers() {
    // From the event loop: this may run inside one of their own signals.
    for (std::unique_ptr<QSocketNotifier> *notifier : {&m_readable, &m_writable}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            notifier->release()->deleteLater();
        }
    }
}

void XmppClient::join() {
    if (!m_conn || !xmpp_conn_is_connected(m_conn))
        return;
    setState(State::Joining, tr("XMPP: joining %1 as %2").arg(m_settings.room, nick()));
    xmpp_stanza_t *presence = xmpp_presence_new(m_ctx);
    xmpp_stanza_set_to(presence,
                       (m_settings.room + QLatin1Char('/') + nick()).toUtf8().constData());
    xmpp_stanza_t *x = xmpp_stanza_new(m_ctx);
    xmpp_stanza_set_name(x, "x");
    xmpp_stanza_set_ns(x, kMucNs);
    // Old messages must never reach the player as new ones: none are asked for, and any the
    // service sends all the same carry a delay stamp and are dropped below.
    xmpp_stanza_t *history = xmpp_stanza_new(m_ctx);
    xmpp_stanza_set_name(history, "history");
    xmpp_stanza_set_attribute(history, "maxstanzas", "0");
    xmpp_stanza_add_child_ex(x, history, 0);
    xmpp_stanza_add_child_ex(presence, x, 0);
    xmpp_send(m_conn, presence);
    xmpp_stanza_release(presence);
    pumpSoon();
}

void XmppClient::answerQuery(xmpp_stanza_t *iq) {
    const QString type = text(xmpp_stanza_get_type(iq));
    if (type != QLatin1String("get") && type != QLatin1String("set"))
        return;
    // Every query gets an answer: some servers drop a client that leaves their pings unanswered.
    const bool ping = xmpp_stanza_get_child_by_name_and_ns(iq, "ping", "urn:xmpp:ping");
    xmpp_stanza_t *reply =
        ping ? xmpp_iq_new(m_ctx, "result", xmpp_stanza_get_id(iq))
             : xmpp_stanza_reply_error(iq, "cancel", "service-unavailable", nullptr);
    if (ping && xmpp_stanza_get_from(iq))
        xmpp_stanza_set_to(reply, xmpp_stanza_get_from(iq));
    xmpp_send(m_conn, reply);
    xmpp_stanza_release(reply);
    pumpSoon();
}

void XmppClient::handlePresence(xmpp_stanza_t *presence) {
    const QString from = text(xmpp_stanza_get_from(presence));
    if (MucOccupants::bare(from) != m_settings.room.toLower())
        return;
    const QString nick = MucOccupants::resource(from);
    const QString type = text(xmpp_stanza_get_type(presence));
    if (type == QLatin1String("error")) {
        xmpp_stanza_t *error = xmpp_stanza_get_child_by_name(presence, "error");
        if (!m_inRoom && error && xmpp_stanza_get_child_by_name(error, "conflict")) {
            setNick(this->nick() + QLatin1Char('_'));
            return join();
        }
        return waitToRejoin(stanzaErrorText(presence));
    }
    xmpp_stanza_t *x = xmpp_stanza_get_child_by_name_and_ns(presence, "x", kMucUserNs);
    xmpp_stanza_t *item = x ? xmpp_stanza_get_child_by_name(x, "item") : nullptr;
    QSet<QString> codes;
    for (xmpp_stanza_t *c = x ? xmpp_stanza_get_children(x) : nullptr; c;
         c = xmpp_stanza_get_next(c)) {
        if (text(xmpp_stanza_get_name(c)) == QLatin1String("status"))
            codes.insert(text(xmpp_stanza_get_attribute(c, "code")));
    }
    const bool self = codes.contains(QStringLiteral("110")) || nick == this->nick();
    const QString newNick = item ? text(xmpp_stanza_get_attribute(item, "nick")) : QString();
    if (type == QLatin1String("unavailable")) {
        m_occupants.left(nick);
        if (!self)
            return;
        if (codes.contains(QStringLiteral("303")) && !newNick.isEmpty()) {
            return setNick(newNick);
        }
        m_inRoom = false;
        return waitToRejoin(codes.contains(QStringLiteral("307"))   ? tr("kicked")
                            : codes.contains(QStringLiteral("301")) ? tr("banned")
                                                                    : tr("left the room"));
    }
    m_occupants.arrived(nick, item ? text(xmpp_stanza_get_attribute(item, "jid")) : QString());
    if (!self || m_inRoom)
        return;
    m_inRoom = true;
    if (nick != this->nick())
        setNick(nick); // the service may change the nick it lets the room in under
    if (codes.contains(QStringLiteral("201"))) {
        // The room came into being with this join, and a service may keep it locked to
        // everyone else until its creator configures it: accept the service's defaults.
        xmpp_stanza_t *iq = xmpp_iq_new(m_ctx, "set", "create");
        xmpp_stanza_set_to(iq, m_settings.room.toUtf8().constData());
        xmpp_stanza_t *query = xmpp_stanza_new(m_ctx);
        xmpp_stanza_set_name(query, "query");
        xmpp_stanza_set_ns(query, "http://jabber.org/protocol/muc#owner");
        xmpp_stanza_t *form = xmpp_stanza_new(m_ctx);
        xmpp_stanza_set_name(form, "x");
        xmpp_stanza_set_ns(form, "jabber:x:data");
        xmpp_stanza_set_type(form, "submit");
        xmpp_stanza_add_child_ex(query, form, 0);
        xmpp_stanza_add_child_ex(iq, query, 0);
        xmpp_send(m_conn, iq);
        xmpp_stanza_release(iq);
        pumpSoon();
    }
    resetRetryDelay();
    m_tick.start(30000);
    setState(State::Joined, tr("XMPP: in %1 as %2").arg(m_settings.room, this->nick()));
    setQueueOpen(true);
    const bool jidsShown =
        codes.contains(QStringLiteral("100")) ||
        (item && text(xmpp_stanza_get_attribute(item, "role")) == QLatin1String("moderator"));
    if (checksOwner() && !jidsShown && !m_warnedHidden) {
        m_warnedHidden = true;
        emit warning(tr("%1 does not show the room who its members are, so no line can be "
                        "verified as the owner's and none reaches the player. Make the room "
                        "non-anonymous, or the room a moderator.")
                         .arg(m_settings.room));
    }
}

void XmppClient::handleMessage(xmpp_stanza_t *message) {
    const QString from = text(xmpp_stanza_get_from(message));
    if (MucOccupants::bare(from) != m_settings.room.toLower())
        return;
    const QString type = text(xmpp_stanza_get_type(message));
    if (type == QLatin1String("error") && m_inRoom) {
        // The service no longer has the room in the group chat (it may have restarted it).
        m_inRoom = false;
        return waitToRejoin(stanzaErrorText(message));
    }
    const QString nick = oneLine(MucOccupants::resource(from));
    // History, the subject and the service's own notices are not things said now.
    if (type != QLatin1String("groupchat") || nick.isEmpty() ||
        xmpp_stanza_get_child_by_name(message, "subject") ||
        xmpp_stanza_get_child_by_name_and_ns(message, "delay", "urn:xmpp:delay") ||
        xmpp_stanza_get_child_by_name_and_ns(message, "x", "jabber:x:delay"))
        return;
    char *body = xmpp_message_get_body(message);
    if (!body)
        return;
    QString said = oneLine(text(body));
    xmpp_free(m_ctx, body);
    const bool action = said.startsWith(QLatin1String("/me "));
    if (action)
        said.remove(0, 4);
    emit messageArrived(nick, said, action,
                        m_occupants.sender(MucOccupants::resource(from), this->nick()));
}

void XmppClient::retryLater(const QString &why) {
    m_inRoom = false;
    m_tick.stop();
    waitToReconnect(why);
}
