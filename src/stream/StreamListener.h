#pragma once

#include "stream/HttpRequestReader.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QTcpSocket;
class StreamHub;

// One connection to our stream server, on the stream's thread: reads the request (its head must
// be complete within kHeadMs of the connection's start, however slowly it comes), answers it,
// and for a listener sends the burst and then every new frame, with ICY metadata (the title)
// woven in when the listener asked for it. A listener further behind than kMaxLagSeconds is
// dropped, so no listener can make the player hold more.
class StreamListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kHeadMs = 5000;
    static constexpr int kMaxLagSeconds = 3;
    static constexpr int kMetaInterval = 16000;

    // `admit` says whether one more listener may stream now.
    StreamListener(QTcpSocket *socket, StreamHub &hub, std::function<bool()> admit,
                   QObject *parent = nullptr);
    ~StreamListener() override;

    bool isStreaming() const { return m_streaming; }
    void sendAudio(const QByteArray &frame);

    // The ICY metadata block that carries `title` (a length byte, then the text in 16-byte
    // units); a single zero byte for an empty text.
    static QByteArray metadataBlock(const QString &title);

signals:
    // The request has been read, or its time is up: the connection is no longer one that waits
    // for its request.
    void requestRead();
    // The connection is over; the listener deletes itself later.
    void finished();

private:
    void readRequest();
    void headTimedOut();
    void answer(const QByteArray &status, const QByteArray &extraHeaders = QByteArray());
    void startStreaming(bool withBody);
    void writeAudio(const QByteArray &bytes);
    void finish();

    QTcpSocket *m_socket;
    StreamHub &m_hub;
    std::function<bool()> m_admit;
    HttpRequestReader m_reader;
    QTimer m_headTime; // runs while the request is read
    bool m_heardAny = false;
    bool m_streaming = false;
    bool m_finished = false;
    bool m_metadata = false;
    int m_untilMetadata = kMetaInterval;
    QString m_sentTitle;
};
