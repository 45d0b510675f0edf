#include "chatroom/net/RoomNetwork.h"

RoomNetwork::RoomNetwork(SendQueue::Pacing pacing, qsizetype queueBound, QObject *parent)
    : QObject(parent), m_queue(pacing, queueBound) {
    connect(&m_queue, &SendQueue::lineReady, this,
            [this](const QByteArray &message) { write(message); });
}

bool RoomNetwork::say(const QStringList &lines) {
    QList<QByteArray> messages;
    for (const QString &line : lines)
        messages += encode(line);
    return m_queue.enqueue(messages);
}

std::chrono::seconds RoomNetwork::waitToRetry(QTimer &attempt) {
    setQueueOpen(false);
    const std::chrono::seconds delay = m_delay;
    m_delay = qMin(m_delay * 2, lastRetry);
    attempt.start(delay);
    return delay;
}
