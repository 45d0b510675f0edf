#include "stream/StreamListener.h"

#include "platform/ProductNames.h"
#include "stream/StreamHub.h"

#include <QTcpSocket>

#include <sys/socket.h>

namespace {

// What players show as the stream's name.

} // namespace

StreamListener::StreamListener(QTcpSocket *socket, StreamHub &hub, std::function<bool()> admit,
                               QObject *parent)
    : QObject(parent), m_socket(socket), m_hub(hub), m_admit(std::move(admit)), m_headTime(this) {
    m_socket->setParent(this);
    // From the start, not from the last byte: a byte now and then would hold the connection
    // for ever.
    m_headTime.setSingleShot(true);
    m_headTime.setInterval(kHeadMs);
    connect(&m_headTime, &QTimer::timeout, this, &StreamListener::headTimedOut);
    connect(m_socket, &QTcpSocket::readyRead, this, &StreamListener::readRequest);
    connect(m_socket, &QTcpSocket::disconnected, this, &StreamListener::finish);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &StreamListener::finish);
    m_headTime.start();
    // Bytes that came with the connection raise no readyRead; read them once the server has
    // connected to this listener's signals.
    QMetaObject::invokeMethod(this, &StreamListener::readRequest, Qt::QueuedConnection);
}

StreamListener::~StreamListener() = default;

void StreamListener::readRequest() {
    if (m_finished)
        return;
    const QByteArray bytes = m_socket->readAll();
    // Once answered, or once the request's time is up, whatever the client sends is dropped
    // unread.
    if (!m_headTime.isActive() || bytes.isEmpty())
        return;
    m_heardAny = true;
    const HttpRequestReader::State state = m_reader.feed(bytes);
    if (state == HttpRequestReader::State::Reading)
        return;
    m_headTime.stop();
    emit requestRead();
    switch (state) {
    case HttpRequestReader::State::Reading:
        return;
    case HttpRequestReader::State::TooLarge:
        answer("431 Request Header Fields Too Large");
        return;
    case HttpRequestReader::State::Malformed:
        answer("400 Bad Request");
        return;
    case HttpRequestReader::State::Complete:
        break;
    }
    const QByteArray method = m_reader.method();
    const bool head = method == "HEAD";
    if (method != "GET" && !head) {
        answer("405 Method Not Allowed", "Allow: GET, HEAD\r\n");
        return;
    }
    const QByteArray path = m_reader.path();
    if (path != "/" && path != "/stream.mp3") {
        answer("404 Not Found");
        return;
    }
    if (!head && !m_admit()) {
        answer("503 Service Unavailable", "Retry-After: 30\r\n");
        return;
    }
    m_metadata = m_reader.header("Icy-MetaData").trimmed() == "1";
    startStreaming(!head);
}

void StreamListener::headTimedOut() {
    emit requestRead();
    // A connection that never said anything is let go as an idle one, unanswered.
    if (m_heardAny)
        answer("408 Request Timeout");
    else
        finish();
}

void StreamListener::answer(const QByteArray &status, const QByteArray &extraHeaders) {
    m_socket->write("HTTP/1.0 " + status + "\r\nContent-Type: text/plain\r\n" + extraHeaders +
                    "Connection: close\r\nContent-Length: " +
                    QByteArray::number(status.size() + 1) + "\r\n\r\n" + status + "\n");
    m_socket->disconnectFromHost();
}

void StreamListener::startStreaming(bool withBody) {
    QByteArray head = "HTTP/1.0 200 OK\r\n"
                      "Content-Type: audio/mpeg\r\n"
                      "Cache-Control: no-cache, no-store\r\n"
                      "Connection: close\r\n"
                      "icy-name: " +
                      QByteArray(product::kName) +
                      "\r\nicy-br: " + QByteArray::number(m_hub.bitrate()) + "\r\n";
    if (m_metadata)
        head += "icy-metaint: " + QByteArray::number(kMetaInterval) + "\r\n";
    m_socket->write(head + "\r\n");
    if (!withBody) {
        m_socket->disconnectFromHost();
        return;
    }
    m_streaming = true;
    // A small kernel buffer, so that a listener who stops reading is seen to lag within seconds
    // (the kernel would otherwise take minutes of audio first).
    m_socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, m_hub.byteRate());
    writeAudio(m_hub.burst());
}

void StreamListener::sendAudio(const QByteArray &frame) {
    if (!m_streaming || m_finished)
        return;
    // A listener that does not keep up would make the socket hold ever more.
    if (m_socket->bytesToWrite() > qint64(m_hub.byteRate()) * kMaxLagSeconds +
                                       qint64(m_hub.byteRate()) * StreamHub::kBurstSeconds) {
        // Reset rather than closed: a close would queue its end behind the audio the listener
        // never takes, and the kernel would keep both for minutes.
        const linger reset{1, 0};
        ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                     sizeof reset);
        m_socket->abort();
        finish();
        return;
    }
    writeAudio(frame);
}

void StreamListener::writeAudio(const QByteArray &bytes) {
    if (!m_metadata) {
        m_socket->write(bytes);
        return;
    }
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype take = std::min<qsizetype>(m_untilMetadata, bytes.size() - at);
        m_socket->write(bytes.constData() + at, take);
        at += take;
        m_untilMetadata -= int(take);
        if (m_untilMetadata == 0) {
            // The title goes out whenever it changed; in between an empty block says "the same".
            const QString title = m_hub.title();
            const bool changed = title != m_sentTitle;
            m_socket->write(metadataBlock(changed ? title : QString()));
            m_sentTitle = title;
            m_untilMetadata = kMetaInterval;
        }
    }
}

QByteArray StreamListener::metadataBlock(const QString &title) {
    if (title.isEmpty())
        return QByteArray(1, '\0');
    // The block holds at most 255 * 16 bytes. A quote would end the title early for players
    // that look for "';", so it is written as the typographic one.
    QString text = title;
    text.replace(QLatin1Char('\''), QChar(0x2019));
    QByteArray utf8 = text.toUtf8();
    constexpr qsizetype kRoom = 255 * 16 - qsizetype(sizeof("StreamTitle='';") - 1);
    if (utf8.size() > kRoom) {
        utf8.truncate(kRoom);
        // Not in the middle of a character.
        while (!utf8.isEmpty() && (static_cast<unsigned char>(utf8.back()) & 0xC0) == 0x80)
            utf8.chop(1);
        if (!utf8.isEmpty() && static_cast<unsigned char>(utf8.back()) >= 0xC0)
            utf8.chop(1);
    }
    QByteArray block = "StreamTitle='" + utf8 + "';";
    const qsizetype units = (block.size() + 15) / 16;
    block.append(QByteArray(units * 16 - block.size(), '\0'));
    block.prepend(char(units));
    return block;
}

void StreamListener::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_streaming = false;
    m_headTime.stop();
    emit finished();
    deleteLater();
}
