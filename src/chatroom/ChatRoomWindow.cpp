#include "chatroom/ChatRoomWindow.h"

#include "chatroom/ChatRoom.h"
#include "chatroom/TranscriptView.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ChatRoomWindow::ChatRoomWindow(ChatRoom *room, QWidget *parent)
    : QWidget(parent), m_room(room), m_transcriptView(new TranscriptView(this)),
      m_userNameEdit(new QLineEdit(this)), m_inputEdit(new QLineEdit(this)),
      m_sendButton(new QPushButton(tr("Send"), this)), m_sayAsNameEdit(new QLineEdit(this)),
      m_sayAsTextEdit(new QLineEdit(this)), m_sayAsButton(new QPushButton(tr("Say as"), this)),
      m_noticeLabel(new QLabel(this)), m_statusLabel(new QLabel(this)),
      m_networkStatusLabel(new QLabel(this)), m_voiceStatusLabel(new QLabel(this)) {
    setObjectName(QStringLiteral("chatRoomWindow"));
    setWindowTitle(tr("Chat room"));
    m_transcriptView->setObjectName(QStringLiteral("transcriptView"));
    m_userNameEdit->setObjectName(QStringLiteral("userNameEdit"));
    m_inputEdit->setObjectName(QStringLiteral("inputEdit"));
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_sayAsNameEdit->setObjectName(QStringLiteral("sayAsNameEdit"));
    m_sayAsTextEdit->setObjectName(QStringLiteral("sayAsTextEdit"));
    m_sayAsButton->setObjectName(QStringLiteral("sayAsButton"));
    m_noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_networkStatusLabel->setObjectName(QStringLiteral("networkStatusLabel"));
    m_voiceStatusLabel->setObjectName(QStringLiteral("voiceStatusLabel"));

    m_sayAsNameEdit->setPlaceholderText(tr("member's screen name"));
    m_sayAsTextEdit->setPlaceholderText(tr("what the member says"));
    m_noticeLabel->setWordWrap(true);
    m_noticeLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_networkStatusLabel->setWordWrap(true);
    m_networkStatusLabel->setTextFormat(Qt::PlainText);
    m_networkStatusLabel->hide();
    m_voiceStatusLabel->setWordWrap(true);
    m_voiceStatusLabel->setTextFormat(Qt::PlainText);
    m_voiceStatusLabel->hide();

    auto *nameForm = new QFormLayout;
    nameForm->setObjectName(QStringLiteral("nameForm"));
    auto *userNameLabel = new QLabel(tr("Your screen name:"), this);
    userNameLabel->setObjectName(QStringLiteral("userNameLabel"));
    userNameLabel->setBuddy(m_userNameEdit);
    nameForm->addRow(userNameLabel, m_userNameEdit);

    auto *inputRow = new QHBoxLayout;
    inputRow->setObjectName(QStringLiteral("inputRow"));
    inputRow->addWidget(m_inputEdit, 1);
    inputRow->addWidget(m_sendButton);

    auto *sayAsRow = new QHBoxLayout;
    sayAsRow->setObjectName(QStringLiteral("sayAsRow"));
    sayAsRow->addWidget(m_sayAsButton);
    sayAsRow->addWidget(m_sayAsNameEdit);
    sayAsRow->addWidget(m_sayAsTextEdit, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("chatRoomLayout"));
    layout->addLayout(nameForm);
    layout->addWidget(m_transcriptView, 1);
    layout->addLayout(inputRow);
    layout->addLayout(sayAsRow);
    layout->addWidget(m_noticeLabel);
    layout->addWidget(m_statusLabel);
    layout->addWidget(m_networkStatusLabel);
    layout->addWidget(m_voiceStatusLabel);
    resize(560, 420);

    m_userNameEdit->setText(m_room->userName());
    m_inputEdit->setText(m_room->input());
    showTranscript();

    connect(m_room, &ChatRoom::transcriptReplaced, this, &ChatRoomWindow::showTranscript);
    connect(m_room, &ChatRoom::lineAppended, m_transcriptView, &TranscriptView::appendLine);
    connect(m_room, &ChatRoom::lineNotPassedOn, m_transcriptView,
            &TranscriptView::appendLineNotPassedOn);
    connect(m_room, &ChatRoom::lineRefused, m_noticeLabel, &QLabel::setText);
    connect(m_room, &ChatRoom::inputChanged, this, &ChatRoomWindow::showInput);
    connect(m_room, &ChatRoom::userNameChanged, this, [this](const QString &name) {
        if (m_userNameEdit->text() != name)
            m_userNameEdit->setText(name);
    });
    // textEdited, not textChanged: only what the user types counts as typed by hand.
    connect(m_userNameEdit, &QLineEdit::textEdited, m_room, &ChatRoom::setUserName);
    connect(m_inputEdit, &QLineEdit::textEdited, m_room, &ChatRoom::typeInput);
    connect(m_inputEdit, &QLineEdit::returnPressed, this, &ChatRoomWindow::sendInput);
    connect(m_sendButton, &QPushButton::clicked, this, &ChatRoomWindow::sendInput);
    connect(m_sayAsTextEdit, &QLineEdit::returnPressed, this, &ChatRoomWindow::sayAs);
    connect(m_sayAsButton, &QPushButton::clicked, this, &ChatRoomWindow::sayAs);
}

void ChatRoomWindow::setStatus(const QString &text) {
    m_statusLabel->setText(text);
}

void ChatRoomWindow::showNetwork(const QString &status) {
    m_userNameEdit->setReadOnly(true);
    m_sayAsButton->hide();
    m_sayAsNameEdit->hide();
    m_sayAsTextEdit->hide();
    m_networkStatusLabel->show();
    setNetworkStatus(status);
}

void ChatRoomWindow::setNetworkStatus(const QString &text) {
    m_networkStatusLabel->setText(text);
}

void ChatRoomWindow::setVoiceStatus(const QString &text) {
    m_voiceStatusLabel->setText(text);
    m_voiceStatusLabel->show();
}

void ChatRoomWindow::showNetworkWarning(const QString &text) {
    auto *warning = new QLabel(text, this);
    warning->setObjectName(QStringLiteral("networkWarningLabel"));
    warning->setWordWrap(true);
    warning->setTextFormat(Qt::PlainText);
    layout()->addWidget(warning);
}

void ChatRoomWindow::showTranscript() {
    m_transcriptView->showTranscript(m_room->transcriptUtf8());
}

void ChatRoomWindow::showInput(const QString &text) {
    if (m_inputEdit->text() != text)
        m_inputEdit->setText(text);
}

void ChatRoomWindow::sendInput() {
    // Cleared first: a refusal during the send puts its reason here again.
    m_noticeLabel->clear();
    m_room->send();
}

void ChatRoomWindow::sayAs() {
    const QString text = m_sayAsTextEdit->text();
    if (text.isEmpty() || !m_room->say(m_sayAsNameEdit->text(), text))
        return;
    m_sayAsTextEdit->clear();
    m_noticeLabel->clear();
}
