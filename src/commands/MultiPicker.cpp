#include "commands/MultiPicker.h"

#include "platform/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPointer>
#include <QPushButton>

MultiPicker::MultiPicker(PlayFunction play, QWidget *parent)
    : QWidget(parent, Qt::Window), m_play(std::move(play)), m_lstFiles(new QListWidget(this)),
      m_Label1(new QLabel(this)), m_Command1(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmMulti"));
    setWindowTitle(QStringLiteral("Multi Files"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setFixedSize(twips::toPixels(kClientWidthTwips), twips::toPixels(kClientHeightTwips));
    // The main window's face, so the label's two lines fit its 25 pixels.
    setFont(QFont(QStringLiteral("Arial"), 8));

    m_lstFiles->setObjectName(QStringLiteral("lstFiles"));
    m_lstFiles->setGeometry(twips::rect(0, 0, 3255, 3150));
    m_lstFiles->setSortingEnabled(false);
    m_lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette listPalette = m_lstFiles->palette();
    listPalette.setColor(QPalette::Base, Qt::white);
    m_lstFiles->setPalette(listPalette);
    m_lstFiles->setAutoFillBackground(true);

    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_Label1->setGeometry(twips::rect(120, 3240, 2295, 375));
    m_Label1->setText(QStringLiteral("More than one file was found. Please select from the list."));
    m_Label1->setWordWrap(true);

    m_Command1->setObjectName(QStringLiteral("Command1"));
    m_Command1->setGeometry(twips::rect(2400, 3240, 735, 255));
    m_Command1->setText(QStringLiteral("Cancel"));

    connect(m_lstFiles, &QListWidget::itemClicked, this, &MultiPicker::lstFiles_Click);
    connect(m_lstFiles, &QListWidget::itemActivated, this, &MultiPicker::lstFiles_Click);
    connect(m_Command1, &QPushButton::clicked, this, &MultiPicker::unload);
}

MultiPicker::~MultiPicker() = default;

void MultiPicker::addEntry(const QString &text) {
    m_lstFiles->addItem(text);
}

int MultiPicker::count() const {
    return m_lstFiles->count();
}

QStringList MultiPicker::entries() const {
    QStringList texts;
    texts.reserve(m_lstFiles->count());
    for (int row = 0; row < m_lstFiles->count(); ++row)
        texts.append(m_lstFiles->item(row)->text());
    return texts;
}

void MultiPicker::unload() {
    // WA_DeleteOnClose makes this a deferred delete, also for a window never shown (a search
    // with exactly one match unloads the picker while it is still hidden).
    close();
}

void MultiPicker::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit unloaded();
}

void MultiPicker::lstFiles_Click(QListWidgetItem *item) {
    if (m_picked || !item)
        return;
    m_picked = true;
    const QString text = item->text();
    // The play callback runs the main window's code, which may itself unload this window.
    QPointer<MultiPicker> self(this);
    if (m_play)
        m_play(text);
    if (self)
        unload();
}
