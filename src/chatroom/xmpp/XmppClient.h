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
    struct Settings : RoomNetwork::Settings {
        Settings() { port = 5222; }
        QString jid;   // the room's account; the domain alone signs in anonymously
        QString room;  // name@service
        QString owner; // a bare JID; empty: none
    };

    explicit XmppClient(Settings settings, QObject *parent = nullptr);
    ~XmppClient() override;

    QString place() const override { return m_settings.room; }
    bool checksOwner() const override { return !m_settings.owner.isEmpty(); }

protected:
    QList<QByteArray> encode(const QString &line) const override;
    void write(const QByteArray &message) override;
    void connectToServer() override;
    void join() override;

private:
    friend struct XmppCallbacks;

    void releaseConnection();
    void watchSocket(int fd);
    void dropNotifiers();
    void pump();
    void pumpSoon() { m_pumpSoon.start(); }
    void connected();
    void disconnected(const QString &why);
    void answerQuery(_xmpp_stanza_t *iq);
    void handlePresence(_xmpp_stanza_t *presence);
    void handleMessage(_xmpp_stanza_t *message);
    void retryLater(const QString &why);

    Settings m_settings;
    std::unique_ptr<_xmpp_log_t> m_logger;
    _xmpp_ctx_t *m_ctx = nullptr;
    _xmpp_conn_t *m_conn = nullptr;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    QTimer m_tick;     // libstrophe's own timeouts
    QTimer m_pumpSoon; // what was just queued goes out from the event loop, never from a callback
    MucOccupants m_occupants;
    bool m_pumping = false;
    bool m_closing = false;
    bool m_inRoom = false;
    bool m_warnedHidden = false;
};
