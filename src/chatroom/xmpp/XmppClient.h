#pragma once

#include "chatroom/net/RoomNetwork.h"
#include "chatroom/xmpp/MucOccupants.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class QSocketNotifier;
struct _xmpp_ctx_t;
struct _xmpp_conn_t;
struct _xmpp_stanza_t;
struct _xmpp_log_t;

// One XMPP connection (libstrophe) that stays in one group chat: it signs in over STARTTLS with a
// verified certificate, joins without asking for history, takes the nick with "_" appended while
// its own is in use, joins again after a kick and connects again after any disconnect, with the
// network's growing delay. History, delayed messages and the subject never come out as messages.
// libstrophe runs inside Qt's event loop: a notifier on its socket and a slow timer for its own
// timeouts call it, never a busy poll.
class XmppClient : public RoomNetwork {
    Q_OBJECT
public:
    struct Settings {
        QString jid; // the room's account; the domain alone signs in anonymously
        QByteArray password;
        QString host; // empty: the JID's domain
        quint16 port = 5222;
        // A PEM certificate to trust besides the system's, for self-hosted servers.
        QString trustedCertificateFile;
        QString room; // name@service
        QString nick;
        QString owner; // a bare JID; empty: none
        SendQueue::Pacing pacing;
        qsizetype queueBound = SendQueue::defaultBound;
    };
    enum class State { Connecting, Joining, InRoom, Waiting };
    Q_ENUM(State)

    explicit XmppClient(Settings settings, QObject *parent = nullptr);
    ~XmppClient() override;

    void start() override;
    State state() const { return m_state; }
    QString stateText() const override { return m_stateText; }
    QString nick() const override { return m_nick; }
    QString place() const override { return m_settings.room; }
    bool checksOwner() const override { return !m_settings.owner.isEmpty(); }

protected:
    QList<QByteArray> encode(const QString &line) const override;
    void write(const QByteArray &message) override;

private:
    friend struct XmppCallbacks;

    void connectToServer();
    void releaseConnection();
    void watchSocket(int fd);
    void dropNotifiers();
    void pump();
    void pumpSoon() { m_pumpSoon.start(); }
    void connected();
    void disconnected(const QString &why);
    void join();
    void answerQuery(_xmpp_stanza_t *iq);
    void handlePresence(_xmpp_stanza_t *presence);
    void handleMessage(_xmpp_stanza_t *message);
    void retryLater(const QString &why);
    void rejoinLater(const QString &why);
    void setState(State state, const QString &text);
    QString where() const;

    Settings m_settings;
    std::unique_ptr<_xmpp_log_t> m_logger;
    _xmpp_ctx_t *m_ctx = nullptr;
    _xmpp_conn_t *m_conn = nullptr;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    QTimer m_tick;     // libstrophe's own timeouts
    QTimer m_pumpSoon; // what was just queued goes out from the event loop, never from a callback
    QTimer m_retry;
    QTimer m_rejoin;
    MucOccupants m_occupants;
    QString m_nick;
    QString m_lastError;
    bool m_pumping = false;
    bool m_closing = false;
    bool m_inRoom = false;
    bool m_warnedHidden = false;
    State m_state = State::Connecting;
    QString m_stateText;
};
