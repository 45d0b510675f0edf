#include "stream/ConnectionQuota.h"

ConnectionQuota::ConnectionQuota(int listenersPerAddress)
    : m_listenersPerAddress(listenersPerAddress) {}

bool ConnectionQuota::startRequest(const QHostAddress &address) {
    Held &held = m_held[address];
    if (held.unfinished >= kUnfinishedPerAddress)
        return false;
    ++held.unfinished;
    return true;
}

void ConnectionQuota::endRequest(const QHostAddress &address) {
    const auto held = m_held.find(address);
    if (held == m_held.end())
        return;
    --held->unfinished;
    forgetIfEmpty(held);
}

bool ConnectionQuota::startListener(const QHostAddress &address) {
    Held &held = m_held[address];
    if (held.listeners >= m_listenersPerAddress)
        return false;
    ++held.listeners;
    return true;
}

void ConnectionQuota::endListener(const QHostAddress &address) {
    const auto held = m_held.find(address);
    if (held == m_held.end())
        return;
    --held->listeners;
    forgetIfEmpty(held);
}

void ConnectionQuota::forgetIfEmpty(QHash<QHostAddress, Held>::iterator held) {
    if (held->unfinished <= 0 && held->listeners <= 0)
        m_held.erase(held);
}
