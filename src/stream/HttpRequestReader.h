#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

// Reads the head of one HTTP/1.x request as its bytes arrive, in pieces of any size: the request
// line and the header fields up to the empty line. Whatever follows the head is not read (the
// stream takes no request bodies). A head that has not ended within kMaxHead bytes is TooLarge,
// whatever it holds.
class HttpRequestReader {
public:
    static constexpr qsizetype kMaxHead = 8 * 1024;

    enum class State { Reading, Complete, TooLarge, Malformed };

    // Takes more bytes; once the state is no longer Reading, further bytes change nothing.
    State feed(QByteArrayView bytes);
    State state() const { return m_state; }

    // Valid once Complete.
    QByteArray method() const { return m_method; }
    // The target's path, without a query and, for an absolute target, without scheme and host.
    QByteArray path() const { return m_path; }
    QByteArray version() const { return m_version; }
    // The field's value with surrounding white space removed (the first of that name, compared
    // without case); null when absent.
    QByteArray header(QByteArrayView name) const;
    const QList<QPair<QByteArray, QByteArray>> &headers() const { return m_headers; }

private:
    State parse();
    bool parseRequestLine(const QByteArray &line);
    bool parseField(const QByteArray &line);

    State m_state = State::Reading;
    QByteArray m_buffer;
    qsizetype m_skipped = 0; // empty lines before the request line
    QByteArray m_method;
    QByteArray m_path;
    QByteArray m_version;
    QList<QPair<QByteArray, QByteArray>> m_headers;
};
