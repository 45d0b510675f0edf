#include "platform/win32/WinChatWindow.h"

#include <QByteArray>
#include <string>

namespace {

std::string toAnsi(const QString &text) {
    return text.toLocal8Bit().toStdString();
}

} // namespace

QString WinChatWindow::transcript() {
    const std::string html = m_window.transcript();
    return QString::fromLocal8Bit(html.data(), qsizetype(html.size()));
}

void WinChatWindow::setTranscript(const QString &html) {
    m_window.setTranscript(toAnsi(html));
}

void WinChatWindow::setInput(const QString &text) {
    m_window.setInput(toAnsi(text));
}

void WinChatWindow::pressSend() {
    m_window.pressSend();
}
