#include "support/FakeChatWindow.h"

QString FakeChatWindow::transcript() {
    calls.append(QStringLiteral("transcript"));
    return absent ? QString() : html;
}

void FakeChatWindow::setTranscript(const QString &text) {
    calls.append(QStringLiteral("setTranscript:") + text);
    if (!absent)
        html = text;
}

void FakeChatWindow::setInput(const QString &text) {
    calls.append(QStringLiteral("setInput:") + text);
    if (!absent)
        input = text;
}

void FakeChatWindow::pressSend() {
    calls.append(QStringLiteral("pressSend"));
    if (absent || input.isEmpty())
        return;
    sent.append(input);
    html += line(ownName, input, sendTime);
    input.clear();
}

QString FakeChatWindow::line(const QString &speaker, const QString &text, const QString &time) {
    return QStringLiteral("<BR><FONT COLOR=\"#0000ff\"><B>%1</B></FONT><FONT COLOR=\"#000000\">: "
                          "%2<!-- (%3) --></FONT>")
        .arg(speaker, text, time);
}

void FakeChatWindow::say(const QString &speaker, const QString &text, const QString &time) {
    html += line(speaker, text, time);
}
