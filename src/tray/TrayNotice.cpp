#include "tray/TrayNotice.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QTimer>

TrayNotice::TrayNotice(int tickMs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_Label2(new QLabel(this)), m_Check1(new QCheckBox(this)),
      m_Timer1(new QTimer(this)), m_tmrU(new QTimer(this)) {
    setObjectName(QStringLiteral("frmTray"));
    setWindowTitle(QStringLiteral("Tray Added"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(300, 100);

    m_Label2->setObjectName(QStringLiteral("Label2"));
    m_Label2->setText(QStringLiteral("trevik amp is now in the tray, you can access commands by "
                                     "clicking on the icon in the tray."));
    m_Label2->setWordWrap(true);
    m_Label2->setGeometry(8, 8, 284, 44);

    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(8, 58, 284, 4);

    m_Check1->setObjectName(QStringLiteral("Check1"));
    m_Check1->setText(QStringLiteral("Dont show this again"));
    m_Check1->setGeometry(8, 68, 284, 22);

    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(tickMs);
    connect(m_Timer1, &QTimer::timeout, this, &TrayNotice::Timer1_Timer);
    m_Timer1->start();
    // A marker only: what counts is whether it is on. Its own ticks do nothing, so it is given an
    // interval it never reaches while the notice is open.
    m_tmrU->setObjectName(QStringLiteral("tmrU"));
    m_tmrU->setInterval(tickMs * 4);
}

void TrayNotice::Timer1_Timer() {
    if (m_tmrU->isActive()) {
        close();
        return;
    }
    m_tmrU->start();
}

void TrayNotice::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted() || m_unloaded)
        return;
    m_unloaded = true;
    m_Timer1->stop();
    m_tmrU->stop();
    emit unloaded(m_Check1->isChecked());
}
