#include "stream/StreamHub.h"

StreamHub::StreamHub(int bitrateKbps, QObject *parent) : QObject(parent), m_bitrate(bitrateKbps) {}

void StreamHub::append(const QByteArray &frame) {
    m_recent.push_back(frame);
    m_recentBytes += frame.size();
    const qsizetype keep = qsizetype(byteRate()) * kBurstSeconds;
    while (m_recentBytes - m_recent.front().size() >= keep) {
        m_recentBytes -= m_recent.front().size();
        m_recent.pop_front();
    }
    emit frameReady(frame);
}

QByteArray StreamHub::burst() const {
    QByteArray bytes;
    bytes.reserve(m_recentBytes);
    for (const QByteArray &frame : m_recent)
        bytes += frame;
    return bytes;
}

void StreamHub::setTitle(const QString &title) {
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}
