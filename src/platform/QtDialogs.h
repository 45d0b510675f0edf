#pragma once

#include "platform/Dialogs.h"

// The modal boxes of Qt Widgets.
class QtDialogs final : public Dialogs {
public:
    QString inputBox(QWidget *parent, const QString &prompt, const QString &title) override;
    bool askOkCancel(QWidget *parent, const QString &title, const QString &text) override;
    void information(QWidget *parent, const QString &title, const QString &text) override;
    void warning(QWidget *parent, const QString &title, const QString &text) override;
};
