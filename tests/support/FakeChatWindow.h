#pragma once

#include "platform/ChatWindow.h"

#include <QString>
#include <QStringList>

// An in-memory chat room. Records every call made to it, in order, as text ("transcript",
// "setTranscript:<html>", "setInput:<text>", "pressSend"). While absent it behaves like a room
// that is not open: reads give "" and writes change nothing (the calls are still recorded).
// Sending a non-empty input appends one line by `ownName` in the room's transcript format and
// empties the input, as the chat room does.
class FakeChatWindow : public ChatWindow {
public:
    QString transcript() override;
    void setTranscript(const QString &text) override;
    void setInput(const QString &text) override;
    void pressSend() override;

    // One transcript line as the chat room writes it.
    static QString line(const QString &speaker, const QString &text,
                        const QString &time = QStringLiteral("12:00:00"));
    // Appends a line said by `speaker`.
    void say(const QString &speaker, const QString &text,
             const QString &time = QStringLiteral("12:00:00"));

    bool absent = false;
    QString html;
    QString input;
    QString ownName = QStringLiteral("Me");
    QString sendTime = QStringLiteral("12:00:00");
    QStringList calls;
    // Lines appended by pressSend, in order.
    QStringList sent;
};
