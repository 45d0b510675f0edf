#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

// Answers the modal boxes from a script and records every box shown, as "kind|title|text".
class FakeDialogs final : public Dialogs {
public:
    QString inputAnswer;
    bool okCancelAnswer = false;
    QStringList shown;

    QString inputBox(QWidget *, const QString &prompt, const QString &title) override {
        shown << QStringLiteral("input|%1|%2").arg(title, prompt);
        return inputAnswer;
    }
    bool askOkCancel(QWidget *, const QString &title, const QString &text) override {
        shown << QStringLiteral("okcancel|%1|%2").arg(title, text);
        return okCancelAnswer;
    }
    void information(QWidget *, const QString &title, const QString &text) override {
        shown << QStringLiteral("information|%1|%2").arg(title, text);
    }
    void warning(QWidget *, const QString &title, const QString &text) override {
        shown << QStringLiteral("warning|%1|%2").arg(title, text);
    }
};
