#pragma once

#include <QObject>

// Decides when the player may really close. It runs nested event loops of its own
// (the folder scan's wait, modal boxes, pop-up menus, the whole load sequence around them); a
// close carried out inside one would free the window under the handler that is still running.
// While any such loop is held open, a close request is only recorded; once the last hold ends,
// the close is posted to the event loop and so runs after every handler has unwound, once.
class CloseGuard : public QObject {
    Q_OBJECT
public:
    // Who asked: the user (the close spot, Clear Settings, the tray) or the system (a signal,
    // the session ending). Nobody is at the screen to answer a box for a close of the system.
    enum class Origin { User, System };

    // Holds the guard for its lifetime; nests freely.
    class Hold {
    public:
        explicit Hold(CloseGuard &guard) : m_guard(guard) { ++m_guard.m_holds; }
        ~Hold() { m_guard.release(); }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        CloseGuard &m_guard;
    };

    explicit CloseGuard(QObject *parent = nullptr) : QObject(parent) {}

    bool held() const { return m_holds > 0; }
    bool pending() const { return m_pending; }
    // A close has been asked for, or is running or done: nothing may start to wait for a user.
    bool asked() const { return m_pending || m_closing; }
    // The origin of the close that runs (System once any request came from the system).
    Origin origin() const { return m_origin; }

    // Records a request. Returns true when the close may run right now; otherwise it is carried
    // out through closeDue() once the last hold ends.
    bool request(Origin origin);
    // The close is running: later requests are no longer recorded as pending.
    void closing() {
        m_pending = false;
        m_closing = true;
    }
    // The close ran, but the window stays after all.
    void reopened() { m_closing = false; }

signals:
    // The last hold ended with a close recorded; emitted from the event loop, never from inside
    // the hold's own stack.
    void closeDue();

private:
    void release();

    int m_holds = 0;
    bool m_pending = false;
    bool m_closing = false;
    bool m_posted = false;
    Origin m_origin = Origin::User;
};
