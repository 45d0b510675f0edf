#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>

// Where the encoded stream meets its listeners, on the stream's thread: each new MP3 frame is
// handed on as it is made, and the last couple of seconds are kept so that a listener who joins
// gets them at once and its player starts without waiting. Also holds the title of what plays.
class StreamHub : public QObject {
    Q_OBJECT
public:
    static constexpr int kBurstSeconds = 2;

    explicit StreamHub(int bitrateKbps, QObject *parent = nullptr);

    int bitrate() const { return m_bitrate; }
    // Bytes of audio per second.
    int byteRate() const { return m_bitrate * 1000 / 8; }

    void append(const QByteArray &frame);
    // The kept frames, oldest first: about kBurstSeconds of audio.
    QByteArray burst() const;

    QString title() const { return m_title; }
    void setTitle(const QString &title);

signals:
    void frameReady(const QByteArray &frame);
    void titleChanged(const QString &title);

private:
    int m_bitrate;
    std::deque<QByteArray> m_recent;
    qsizetype m_recentBytes = 0;
    QString m_title;
};
