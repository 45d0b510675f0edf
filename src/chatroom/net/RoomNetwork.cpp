#include "chatroom/net/RoomNetwork.h"

RoomNetwork::RoomNetwork(const QString &network, const Settings &settings, QObject *parent)
    : QObject(parent), m_network(network), m_settings(settings),
      m_queue(settings.pacing, settings.queueBound), m_nick(settings.nick) {
    connect(&m_queue, &SendQueue::lineReady, this,
            [this](const QByteArray &message) { write(message); });
    m_retry.setSingleShot(true);
    m_rejoin.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] { connectToServer(); });
    connect(&m_rejoin, &QTimer::timeout, this, [this] { join(); });
}

bool RoomNetwork::say(const QStringList &lines) {
    QList<QByteArray> messages;
    for (const QString &line : lines)
        messages += encode(line);
    return m_queue.enqueue(messages);
}

QString RoomNetwork::where() const {
    return QStringLiteral("%1:%2").arg(m_settings.host).arg(m_settings.port);
}

void RoomNetwork::setState(State state, const QString &text) {
    m_state = state;
    m_stateText = text;
    emit stateTextChanged(text);
}

void RoomNetwork::setNick(const QString &nick, bool announce) {
    m_nick = nick;
    if (announce)
        emit nickChanged(m_nick);
}

std::chrono::seconds RoomNetwork::nextDelay() {
    setQueueOpen(false);
    const std::chrono::seconds delay = m_delay;
    m_delay = qMin(m_delay * 2, lastRetry);
    return delay;
}

void RoomNetwork::waitToReconnect(const QString &why) {
    m_rejoin.stop();
    const std::chrono::seconds delay = nextDelay();
    m_retry.start(delay);
    setState(State::Waiting, tr("%1: disconnected from %2 (%3); connecting again in %4 s")
                                 .arg(m_network, where(), why, QString::number(delay.count())));
}

void RoomNetwork::waitToRejoin(const QString &why) {
    const std::chrono::seconds delay = nextDelay();
    m_rejoin.start(delay);
    setState(State::Joining, tr("%1: out of %2 (%3); joining again in %4 s")
                                 .arg(m_network, place(), why, QString::number(delay.count())));
}
