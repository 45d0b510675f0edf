#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

// A chat room squatted by another user (nobody): a forked child drops to that user's ids, binds
// a socket at the given path and, when live, answers every connection with one line of its own
// as a protocol room would, keeping every byte it was sent. Its folder must let that user in
// (like /tmp). Only root can make one; isValid() tells whether it came up.
class OtherUserRoom {
public:
    enum class State { Live, Stale };

    OtherUserRoom(const QString &path, State state);
    ~OtherUserRoom();

    OtherUserRoom(const OtherUserRoom &) = delete;
    OtherUserRoom &operator=(const OtherUserRoom &) = delete;

    bool isValid() const { return m_valid; }
    uint userId() const { return m_uid; }
    QString userName() const { return m_userName; }
    // Stops the room and returns everything clients sent to it.
    QByteArray heard();

    // The transcript the squatter hands out; a client that shows it has obeyed the wrong room.
    static QByteArray transcript();

private:
    void stop();

    QString m_userName;
    uid_t m_uid = 0;
    pid_t m_child = -1;
    int m_log = -1;
    bool m_valid = false;
};
