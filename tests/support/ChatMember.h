#pragma once

#include <QByteArray>
#include <QList>

// A person in a test network's group chat (an IRC channel, an XMPP room), through a small client
// of that network; TestNetwork signs one on. The waits run the calling thread's event loop.
class ChatMember {
public:
    virtual ~ChatMember() = default;

    // A message to the group chat.
    virtual void say(const QByteArray &text) = 0;
    virtual void quit() = 0;
    virtual void dropConnection() = 0;
    // Takes `nick` out of the group chat, as its operator or moderator (the first one in) may.
    virtual bool kick(const QByteArray &nick) = 0;

    virtual void forget() = 0;
    // The texts of the group chat's messages from `nick`, in the order they came.
    virtual QList<QByteArray> textsFrom(const QByteArray &nick) const = 0;
    // Waits for a message from `nick` whose text starts with `start`.
    virtual bool waitForText(const QByteArray &nick, const QByteArray &start,
                             int timeoutMs = 5000) = 0;
    // True once `nick` is in the group chat: seen joining, or found there on entering.
    virtual bool sees(const QByteArray &nick, int timeoutMs = 10000) = 0;
};
