#pragma once

#include "chatroom/mumble/MumbleFrames.h"
#include "support/ChatMember.h"
#include "support/ToneListener.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSslSocket>
#include <QTimer>
#include <functional>
#include <vector>

struct OpusDecoder;

// A plain Mumble client for the tests, playing a person in a channel: signed on with a
// certificate of its own, it keeps the text messages it receives (as the plain text a client
// shows) and decodes the voice it hears with libopus, so that a test can tell a song by its
// pitch. The waits run the event loop of the calling thread.
class MumbleTestClient : public QObject, public ChatMember {
    Q_OBJECT
public:
    explicit MumbleTestClient(QObject *parent = nullptr);
    ~MumbleTestClient() override;

    // Signs on as `name` with the certificate in `certificateFile` (none: empty); true once the
    // server has synced.
    bool signOn(quint16 port, const QByteArray &name, const QString &certificateFile,
                const QByteArray &password, int timeoutMs = 10000);
    // Moves into the channel named `channel`; true once the server shows this client there.
    bool join(const QByteArray &channel);
    // As SuperUser: a permanent channel under the root, unless there is one of that name.
    bool makeChannel(const QByteArray &name);
    // As SuperUser: registers the user now on the server as `name`, with its certificate.
    bool registerUser(const QByteArray &name);
    // Kicks (as SuperUser) through a connection of its own.
    void setKicker(quint16 port, const QByteArray &superUserPassword);

    // Escaped as a Mumble client escapes what its user types.
    void say(const QByteArray &text) override;
    void quit() override;
    void dropConnection() override { m_socket.abort(); }
    bool kick(const QByteArray &nick) override;
    void forget() override { m_texts.clear(); }
    QList<QByteArray> textsFrom(const QByteArray &nick) const override;
    bool waitForText(const QByteArray &nick, const QByteArray &start,
                     int timeoutMs = 5000) override;
    bool sees(const QByteArray &nick, int timeoutMs = 10000) override;

    // The sound of the latest voice heard, over `seconds`.
    ToneListener::Sound latest(double seconds = 0.25) const;
    bool hears(double frequency, int timeoutMs);
    // The last talk ended (its terminator came) and nothing has come since.
    bool hearsSilence(int timeoutMs);
    // Seconds of voice decoded so far.
    double heard() const { return double(m_total) / 48000; }

private:
    struct User {
        QByteArray name;
        quint32 channel = 0;
        bool registered = false;
    };
    void read();
    void handle(quint16 type, const QByteArray &payload);
    void hear(const QByteArray &packet);
    void send(quint16 type, const std::string &payload);
    std::optional<quint32> session(const QByteArray &name) const;

    QSslSocket m_socket;
    QTimer m_ping;
    MumbleFrames m_frames;
    quint32 m_session = 0;
    bool m_synced = false;
    QHash<quint32, User> m_users;
    QHash<quint32, QByteArray> m_channels;
    QList<QPair<QByteArray, QByteArray>> m_texts; // name, plain text
    OpusDecoder *m_decoder = nullptr;
    std::vector<int16_t> m_samples;
    qint64 m_total = 0;
    bool m_ended = true;
    QElapsedTimer m_sinceVoice;
    quint16 m_kickPort = 0;
    QByteArray m_kickPassword;
};
