#pragma once

#include <QString>

class QWidget;

// The window system's modal boxes. Each call waits for the user; timers and other events keep
// being handled meanwhile, exactly as with any modal box.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // An input box; returns what the user typed, or an empty string when the box was cancelled.
    virtual QString inputBox(QWidget *parent, const QString &prompt, const QString &title) = 0;
    // An OK/Cancel question; true only for OK.
    virtual bool askOkCancel(QWidget *parent, const QString &title, const QString &text) = 0;
    // An information box with a single OK button.
    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    // A warning box with a single OK button.
    virtual void warning(QWidget *parent, const QString &title, const QString &text) = 0;
};
