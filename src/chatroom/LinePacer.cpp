#include "chatroom/LinePacer.h"

#include <utility>

using std::chrono::milliseconds;

LinePacer::LinePacer(QObject *parent)
    : QObject(parent), m_clock([] {
          return std::chrono::duration_cast<milliseconds>(
              std::chrono::steady_clock::now().time_since_epoch());
      }) {
    // A child, so that it follows the pacer (and the room) to another thread.
    m_timer.setParent(this);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LinePacer::releaseDue);
}

void LinePacer::setClock(Clock clock) {
    m_clock = std::move(clock);
}

void LinePacer::setOwnerOnly(bool ownerOnly) {
    m_ownerOnly = ownerOnly;
}

bool LinePacer::passesOn(Origin origin) const {
    return origin != Origin::Private && (!m_ownerOnly || origin != Origin::Other);
}

bool LinePacer::offer(const QString &line, Origin origin) {
    const bool passOn = passesOn(origin);
    if (m_queue.isEmpty()) {
        if (!passOn) {
            emit notPassedOn(line);
            return true;
        }
        if (!m_anyIn || m_clock() - m_lastIn >= hold) {
            m_lastIn = m_clock();
            m_anyIn = true;
            emit passedOn(line);
            return true;
        }
    }
    if (m_queue.size() >= bound) {
        if (origin == Origin::Other || origin == Origin::Private) {
            if (passOn && !m_overflowing) {
                m_overflowing = true;
                emit overflowing(tr("Lines of others are coming faster than the player can read "
                                    "them: while %1 lines wait, the others are only shown here.")
                                     .arg(bound));
            }
            emit notPassedOn(line);
            return true;
        }
        const QString reason =
            tr("Not passed on to the player: %1 lines are already waiting for it.").arg(bound);
        emit refused(reason);
        // Said on the network already: it is shown, though the player will not see it.
        if (origin == Origin::Owner)
            emit notPassedOn(line);
        return false;
    }
    m_queue.enqueue({line, passOn});
    scheduleRelease();
    return true;
}

void LinePacer::transcriptReplaced() {
    // The new transcript's last line deserves a poll as much as an appended one.
    m_lastIn = m_clock();
    m_anyIn = true;
    scheduleRelease();
}

void LinePacer::releaseDue() {
    while (!m_queue.isEmpty()) {
        if (!m_queue.head().passOn) {
            emit notPassedOn(m_queue.dequeue().line);
            continue;
        }
        const milliseconds now = m_clock();
        if (m_anyIn && now - m_lastIn < hold)
            break;
        m_lastIn = now;
        m_anyIn = true;
        emit passedOn(m_queue.dequeue().line);
    }
    if (m_queue.isEmpty())
        m_overflowing = false;
    scheduleRelease();
}

void LinePacer::scheduleRelease() {
    if (m_queue.isEmpty()) {
        m_timer.stop();
        return;
    }
    const milliseconds left = hold - (m_clock() - m_lastIn);
    m_timer.start(std::max(left, milliseconds(0)));
}
