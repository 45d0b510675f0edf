#pragma once

#include "chatroom/mumble/MumbleReader.h"
#include "chatroom/mumble/RoomCertificate.h"
#include "chatroom/net/RoomNetwork.h"

#include <QElapsedTimer>
#include <QList>
#include <QSet>
#include <QSslCertificate>
#include <QTimer>
#include <optional>

class ChannelVoice;
class QSslSocket;

// One Mumble connection that stays in one channel: TLS with the server's certificate verified and
// the room's own client certificate, Version and Authenticate (with Opus), a Ping every 10 s, the
// channel joined by name and joined again when the room is moved out, and after any disconnect,
// kick or refusal a new connection with the network's growing delay; "NICK_" when the name is in
// use. The room's lines go to the channel as HTML, cut to the server's message length, through
// the paced queue. With a voice URL the channel hears that stream (ChannelVoice) through the
// server's tunnel, whenever the server lets the room speak; when it does not, the room says so
// once.
class MumbleClient : public RoomNetwork {
    Q_OBJECT
public:
    struct Settings : RoomNetwork::Settings {
        Settings() {
            port = 64738;
            // Within the server's default flood limit, a burst of 5 and then one a second: the
            // server drops a message that comes a moment early, silently, so a little slower.
            pacing = {5, std::chrono::milliseconds(1100)};
        }
        QString channel;
        QString owner;           // a 40-hex SHA-1 certificate hash or a registered name
        QString certificateFile; // PEM with its key; empty: the room's own
        QString certificateFolder = RoomCertificate::settingsFolder();
        QString voice; // a stream's URL; empty: no voice
    };

    explicit MumbleClient(Settings settings, QObject *parent = nullptr);
    ~MumbleClient() override;

    QString place() const override { return m_settings.channel; }
    bool checksOwner() const override { return !m_settings.owner.isEmpty(); }
    bool takesHtml() const override { return true; }

signals:
    // The voice's stream: playing, dropped, opened again.
    void voiceStateChanged(const QString &text);

protected:
    // Each line cut into as many messages as the server's message length needs.
    QList<QByteArray> encode(const QString &line) const override;
    void write(const QByteArray &message) override;
    void connectToServer() override;
    void join() override;

private:
    template <typename Message> void send(quint16 type, const Message &message);
    void connectAs(const QString &nick);
    void onEncrypted();
    void onDisconnected();
    void ping();
    void retryLater(const QString &why);
    void synced();
    void userChanged(quint32 session);
    void userRemoved(quint32 session, quint32 actor, const QString &reason, bool ban);
    void rejected(int type, const QString &reason);
    void refused(int type, quint32 permission, quint32 channel, const QString &reason);
    void enterChannel();
    void updateVoice();
    void sendVoice(const QByteArray &packet);
    void warnOnce(const QString &text);

    Settings m_settings;
    RoomCertificate m_certificate;
    QList<QSslCertificate> m_trusted;
    QSslSocket *m_socket;
    MumbleReader m_reader;
    ChannelVoice *m_voice = nullptr;
    QTimer m_ping;
    QElapsedTimer m_lastHeard;
    std::optional<quint32> m_target; // the channel's id on this connection
    bool m_inChannel = false;
    bool m_switchingName = false;
    QString m_nextNick; // a name to try at once, after the last one was in use
    QSet<QString> m_warned;
};
