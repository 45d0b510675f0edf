#include "chatroom/net/SendQueue.h"

SendQueue::SendQueue(Pacing pacing, qsizetype bound, QObject *parent)
    : QObject(parent), m_pacing(pacing), m_bound(bound), m_tokens(qMax(1, pacing.burst)) {
    m_refill.setInterval(m_pacing.interval);
    // One token per tick, each tick timed from the one before it: a repeating timer that fires
    // late catches up with its schedule, and two lines would go out closer than the interval.
    m_refill.setSingleShot(true);
    m_refill.setTimerType(Qt::PreciseTimer);
    connect(&m_refill, &QTimer::timeout, this, &SendQueue::refill);
}

bool SendQueue::enqueue(const QList<QByteArray> &lines) {
    if (m_lines.size() + lines.size() > m_bound)
        return false;
    for (const QByteArray &line : lines)
        m_lines.enqueue(line);
    drain();
    return true;
}

void SendQueue::setOpen(bool open) {
    m_open = open;
    drain();
}

void SendQueue::drain() {
    while (m_open && m_tokens > 0 && !m_lines.isEmpty()) {
        --m_tokens;
        if (!m_refill.isActive())
            m_refill.start();
        emit lineReady(m_lines.dequeue());
    }
}

void SendQueue::refill() {
    if (m_tokens < qMax(1, m_pacing.burst))
        ++m_tokens;
    if (m_tokens < qMax(1, m_pacing.burst))
        m_refill.start();
    drain();
}
