#include "about/AboutWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect where) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setGeometry(where);
    return l;
}

} // namespace

AboutWindow::AboutWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), m_Command1(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Credits"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(320, 210);

    label(this, "Label1",
          QStringLiteral("zandor amp began as a small player for a chat room full of friends who "
                         "wanted to share what they were listening to without leaving the "
                         "conversation. It keeps a library of your music, plays it, and takes its "
                         "orders from the chat. It is still small on purpose, and it is still "
                         "growing."),
          QRect(10, 10, 300, 100));
    label(this, "Label2", QStringLiteral("Programming: the zandor amp developers"),
          QRect(10, 116, 300, 20));
    label(this, "Label3",
          QStringLiteral("Ideas: the people of the chat rooms it plays in, and everyone who "
                         "asked for one more command"),
          QRect(10, 140, 300, 34));

    m_Command1->setObjectName(QStringLiteral("Command1"));
    m_Command1->setText(QStringLiteral("Close"));
    m_Command1->setGeometry(240, 178, 70, 24);
    connect(m_Command1, &QPushButton::clicked, this, &QWidget::close);
}

void AboutWindow::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && !m_closed) {
        m_closed = true;
        emit closed();
    }
}
