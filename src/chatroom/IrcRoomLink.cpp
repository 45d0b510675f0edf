#include "chatroom/IrcRoomLink.h"

#include "chatroom/ChatRoom.h"
#include "chatroom/irc/IrcClient.h"
#include "chatroom/irc/IrcText.h"

IrcRoomLink::IrcRoomLink(ChatRoom *room, IrcClient *client, const IrcOwnerMask &owner,
                         QObject *parent)
    : QObject(parent), m_room(room), m_client(client), m_owner(owner) {
    m_room->setUserName(m_client->nick());
    m_room->pacer().setOwnerOnly(m_owner.isSet());
    m_room->setOutlet([this](const QString &html) { return sendToChannel(html); });
    connect(m_client, &IrcClient::nickChanged, m_room, &ChatRoom::setUserName);
    connect(m_client, &IrcClient::channelMessage, this, &IrcRoomLink::showMessage);
}

QString IrcRoomLink::sendToChannel(const QString &html) {
    if (m_client->say(irctext::fromHtml(html)))
        return QString();
    const QString reason = tr("Not sent: more than %1 lines would be waiting to go to %2.")
                               .arg(m_client->queueBound())
                               .arg(m_client->channel());
    emit lineRefused(reason);
    return reason;
}

void IrcRoomLink::showMessage(const QByteArray &rawSource, const QString &account,
                              const QByteArray &text) {
    // No nick holds control characters, and the player drops a CR from a speaker's name before
    // it compares the name with its user's: "ali\rce" would pass the owner check below as
    // someone else and then be obeyed as alice. The nick shown is the nick checked.
    QByteArray source = rawSource;
    source.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    const QString nick =
        irctext::decode(source.left(source.indexOf('!') < 0 ? source.size() : source.indexOf('!')));
    QString shown;
    const QByteArray action = irctext::actionText(text);
    if (!action.isNull())
        shown = QStringLiteral("* ") + nick + QLatin1Char(' ') +
                irctext::stripFormatting(irctext::decode(action));
    else if (irctext::isCtcp(text))
        return; // a client-to-client query (VERSION, PING, ...), not something said
    else
        shown = irctext::stripFormatting(irctext::decode(text));
    const QString speaker =
        m_owner.isImpostor(source, account) ? tr("%1 (unverified)").arg(nick) : nick;
    // The server gives no one else the room's nick while the room holds it.
    const LinePacer::Origin origin = nick == m_client->nick()           ? LinePacer::Origin::Own
                                     : m_owner.isOwner(source, account) ? LinePacer::Origin::Owner
                                                                        : LinePacer::Origin::Other;
    m_room->appendLine(speaker, ChatRoom::escape(shown), origin);
}
