#include "chatroom/NetworkRoomLink.h"

#include "chatroom/ChatRoom.h"
#include "chatroom/irc/IrcText.h"

NetworkRoomLink::NetworkRoomLink(ChatRoom *room, RoomNetwork *network, QObject *parent)
    : QObject(parent), m_room(room), m_network(network) {
    m_room->setUserName(m_network->nick());
    m_room->pacer().setOwnerOnly(m_network->checksOwner());
    m_room->setOutlet([this](const QString &html) { return sendToNetwork(html); });
    connect(m_network, &RoomNetwork::nickChanged, m_room, &ChatRoom::setUserName);
    connect(m_network, &RoomNetwork::messageArrived, this, &NetworkRoomLink::showMessage);
}

QString NetworkRoomLink::sendToNetwork(const QString &html) {
    // IRC's text is plain text with a few formatting codes, which a network without them drops.
    if (m_network->say(m_network->takesHtml() ? QStringList{html} : irctext::fromHtml(html)))
        return QString();
    const QString reason = tr("Not sent: more than %1 lines would be waiting to go to %2.")
                               .arg(m_network->queueBound())
                               .arg(m_network->place());
    emit lineRefused(reason);
    return reason;
}

void NetworkRoomLink::showMessage(const QString &nick, const QString &text, bool action,
                                  RoomNetwork::Sender sender) {
    // An action is shown with the nick in front, so it never reads as a command.
    const QString shown = action ? QStringLiteral("* ") + nick + QLatin1Char(' ') + text : text;
    const QString speaker = sender == RoomNetwork::Sender::Impostor
                                ? tr("%1 (unverified)").arg(nick)
                            : sender == RoomNetwork::Sender::Private ? tr("%1 (private)").arg(nick)
                                                                     : nick;
    const LinePacer::Origin origin =
        sender == RoomNetwork::Sender::Own       ? LinePacer::Origin::Own
        : sender == RoomNetwork::Sender::Owner   ? LinePacer::Origin::Owner
        : sender == RoomNetwork::Sender::Private ? LinePacer::Origin::Private
                                                 : LinePacer::Origin::Other;
    m_room->appendLine(speaker, ChatRoom::escape(shown), origin);
}
