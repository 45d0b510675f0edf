#pragma once

#include <QHash>
#include <QHostAddress>

// What each address holds of our stream server: requests still being read and listeners
// streaming, each with a cap per address, so that no one address takes the slots every other
// address needs. An address holding neither is forgotten.
class ConnectionQuota {
public:
    // Players open one or two connections at a time; more requests than this in flight from one
    // address only take room.
    static constexpr int kUnfinishedPerAddress = 4;

    explicit ConnectionQuota(int listenersPerAddress);

    // False, counting nothing, when the address is at its cap.
    bool startRequest(const QHostAddress &address);
    void endRequest(const QHostAddress &address);
    bool startListener(const QHostAddress &address);
    void endListener(const QHostAddress &address);

private:
    struct Held {
        int unfinished = 0;
        int listeners = 0;
    };
    void forgetIfEmpty(QHash<QHostAddress, Held>::iterator held);

    int m_listenersPerAddress;
    QHash<QHostAddress, Held> m_held;
};
