#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class ChatMember;
class MumbleServer;
class NgircdServer;
class ProsodyServer;

// A group chat on a real server, for the tests and benchmarks that drive the player from a
// network: an IRC channel (ngircd), an XMPP group chat (prosody) or a Mumble channel (murmurd),
// with the accounts alice, bob and mallory, and the chatroom options that join a room to it with
// alice as its owner.
class TestNetwork {
public:
    enum class Kind { Irc, Xmpp, Mumble };

    explicit TestNetwork(Kind kind);
    ~TestNetwork();

    // The network named by ZAMP_TEST_NETWORK ("irc", the default, "xmpp" or "mumble").
    static Kind fromEnvironment();

    Kind kind() const { return m_kind; }
    bool isIrc() const { return m_kind == Kind::Irc; }
    // Why the network cannot be tested here (its server is not installed), or an empty string.
    QString missing() const;
    bool start();
    void kill();
    QString errorString() const;
    quint16 port() const;
    QString certificateFile() const;
    // The group chat: "#zandoramp", "zandoramp@conference.localhost" (a room that shows its
    // members' JIDs; `anonymous` picks one on a service that hides them) or "music".
    QByteArray place(bool anonymous = false) const;
    QByteArray password() const;

    // A member signed on with `account` (alice, bob or mallory) and in the group chat as `nick`;
    // null when it could not get in. `anonymous` picks the XMPP group chat that hides members.
    std::unique_ptr<ChatMember> enter(const QByteArray &nick, const QByteArray &account,
                                      bool anonymous = false) const;

    // The options that join a room to the group chat under `nick`, at a quick pace, trusting the
    // server's certificate; files go into `folder`.
    QStringList roomArguments(const QByteArray &nick, const QString &folder) const;
    // The same, without the certificate: on IRC over TLS, on XMPP as always.
    QStringList untrustedRoomArguments(const QByteArray &nick, const QString &folder) const;

private:
    Kind m_kind;
    std::unique_ptr<NgircdServer> m_irc;
    std::unique_ptr<ProsodyServer> m_xmpp;
    std::unique_ptr<MumbleServer> m_mumble;
};
