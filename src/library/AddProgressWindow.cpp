#include "library/AddProgressWindow.h"

#include <QLabel>
#include <QMetaMethod>
#include <QProgressBar>

AddProgressWindow::AddProgressWindow(QWidget *owner)
    : QWidget(owner, Qt::Dialog), m_labStat(new QLabel(this)), m_bar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmAdd"));
    setWindowTitle(QStringLiteral("Adding Files, Please wait."));
    // Fixed geometry and no layout: the label changes for every file, and a layout would be
    // asked to recompute the window each time.
    setFixedSize(330, 72);
    m_labStat->setObjectName(QStringLiteral("labStat"));
    m_labStat->setText(QStringLiteral("Added 1 of 2"));
    m_labStat->setGeometry(12, 8, 306, 20);
    m_bar->setObjectName(QStringLiteral("Bar1"));
    m_bar->setMinimum(0);
    m_bar->setMaximum(100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setGeometry(12, 36, 306, 22);
    m_sincePaint.start();
}

AddProgressWindow::~AddProgressWindow() = default;

QString AddProgressWindow::caption(int done, int total) {
    return QStringLiteral("Add %1 of %2 files.").arg(done).arg(total);
}

void AddProgressWindow::setTotal(int total) {
    m_bar->setMaximum(total);
}

void AddProgressWindow::showProgress(int done, int total) {
    m_done = done;
    m_total = total;
    if (isSignalConnected(QMetaMethod::fromSignal(&AddProgressWindow::statusShown)))
        emit statusShown(caption(done, total));
    if (m_sincePaint.elapsed() >= m_repaintMs) {
        paintProgress();
        m_sincePaint.restart();
    }
}

void AddProgressWindow::paintProgress() {
    m_labStat->setText(caption(m_done, m_total));
    m_bar->setValue(m_done);
    repaint();
}

QString AddProgressWindow::status() const {
    return m_done < 0 ? m_labStat->text() : caption(m_done, m_total);
}

int AddProgressWindow::value() const {
    return m_done < 0 ? m_bar->value() : m_done;
}

int AddProgressWindow::maximum() const {
    return m_bar->maximum();
}
