#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QTimer>
#include <chrono>

// Paces the lines a client sends so that the server never drops it for flooding: a short burst
// goes at once, then one line per interval, as mainstream clients do. Lines wait, in order, while
// the queue is closed (not connected, not in the room); past `bound` lines new ones are
// refused whole rather than dropped later.
class SendQueue : public QObject {
    Q_OBJECT
public:
    struct Pacing {
        int burst = 4;
        std::chrono::milliseconds interval{2000};
    };
    static constexpr qsizetype defaultBound = 200;

    SendQueue(Pacing pacing, qsizetype bound, QObject *parent = nullptr);

    // Takes all the lines or none: false when they would take the queue past its bound.
    bool enqueue(const QList<QByteArray> &lines);
    // While open, lines go out as the pacing allows; while closed they wait.
    void setOpen(bool open);
    qsizetype pending() const { return m_lines.size(); }
    qsizetype bound() const { return m_bound; }

signals:
    void lineReady(const QByteArray &line);

private:
    void drain();
    void refill();

    Pacing m_pacing;
    qsizetype m_bound;
    QQueue<QByteArray> m_lines;
    int m_tokens;
    bool m_open = false;
    QTimer m_refill;
};
