#include "platform/QtDialogs.h"

#include <QInputDialog>
#include <QMessageBox>

QString QtDialogs::inputBox(QWidget *parent, const QString &prompt, const QString &title) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, {}, &ok);
    return ok ? answer : QString();
}

bool QtDialogs::askOkCancel(QWidget *parent, const QString &title, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    return box.exec() == QMessageBox::Ok;
}

void QtDialogs::information(QWidget *parent, const QString &title, const QString &text) {
    QMessageBox::information(parent, title, text);
}

void QtDialogs::warning(QWidget *parent, const QString &title, const QString &text) {
    QMessageBox::warning(parent, title, text);
}
