#pragma once

#include "chatroom/irc/IrcClient.h"
#include "chatroom/mumble/MumbleClient.h"
#include "chatroom/xmpp/XmppClient.h"

#include <QString>
#include <QStringList>

// The chatroom program's command line, read before any application object exists (so that
// --running needs no display and Qt's TLS backend is not touched early): what to do, on which
// socket, with or without a window, and the settings of the network the room is the face of
// (an IRC channel, an XMPP group chat or a Mumble channel).
class RoomOptions {
public:
    enum class Action { Serve, Running, Say, Help };
    enum class Network { None, Irc, Xmpp, Mumble };

    // An empty error() when the arguments (the program's name first) are complete and valid.
    explicit RoomOptions(const QStringList &arguments);

    static const char *usage();

    QString error() const { return m_error; }
    Action action() const { return m_action; }
    // The socket to serve on or to check: given, or the usual place.
    QString socketPath() const { return m_socketPath; }
    QString sayText() const { return m_sayText; }
    // The room runs without its window; what the window would show goes to stderr.
    bool noWindow() const { return m_noWindow; }
    Network network() const { return m_network; }
    const IrcClient::Settings &irc() const { return m_irc; }
    const XmppClient::Settings &xmpp() const { return m_xmpp; }
    const MumbleClient::Settings &mumble() const { return m_mumble; }

private:
    QString read(const QStringList &arguments);
    QString commonSettings(RoomNetwork::Settings *settings) const;
    QString ircSettings();
    QString xmppSettings();
    QString mumbleSettings();
    bool isSet(const char *name) const;
    QString value(const char *name) const;

    QStringList m_given; // the options given, by name
    QHash<QString, QString> m_values;
    QString m_error;
    Action m_action = Action::Serve;
    QString m_socketPath;
    QString m_sayText;
    bool m_noWindow = false;
    Network m_network = Network::None;
    IrcClient::Settings m_irc;
    XmppClient::Settings m_xmpp;
    MumbleClient::Settings m_mumble;
};
