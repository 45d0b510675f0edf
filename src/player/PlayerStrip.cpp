#include "player/PlayerStrip.h"

#include "player/MediaPlayer.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kRefreshMs = 250;
constexpr int kButtonWidth = 24;
constexpr int kButtonHeight = 20;
constexpr int kIconSize = 14;
constexpr int kTimeWidth = 40;

QToolButton *makeButton(QWidget *parent, const QString &objectName, QStyle::StandardPixmap icon,
                        const QString &tip) {
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setFixedSize(kButtonWidth, kButtonHeight);
    button->setToolTip(tip);
    return button;
}

QLabel *makeTimeLabel(QWidget *parent, const QString &objectName, Qt::Alignment alignment) {
    auto *label = new QLabel(QStringLiteral("0:00"), parent);
    label->setObjectName(objectName);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setFixedWidth(kTimeWidth);
    QFont font = label->font();
    font.setPixelSize(10);
    label->setFont(font);
    return label;
}

bool isMoving(MediaPlayer::PlayState state) {
    return state == MediaPlayer::PlayState::Playing ||
           state == MediaPlayer::PlayState::FastForwarding ||
           state == MediaPlayer::PlayState::FastReversing;
}

} // namespace

PlayerStrip::PlayerStrip(MediaPlayer &player, QWidget *parent)
    : QWidget(parent), m_player(player),
      m_playPause(
          makeButton(this, QStringLiteral("btnPlayPause"), QStyle::SP_MediaPlay, tr("Play"))),
      m_stop(makeButton(this, QStringLiteral("btnStop"), QStyle::SP_MediaStop, tr("Stop"))),
      m_mute(makeButton(this, QStringLiteral("btnMute"), QStyle::SP_MediaVolume, tr("Mute"))),
      m_seek(new QSlider(Qt::Horizontal, this)), m_volume(new QSlider(Qt::Horizontal, this)),
      m_elapsed(makeTimeLabel(this, QStringLiteral("labElapsed"), Qt::AlignRight)),
      m_total(makeTimeLabel(this, QStringLiteral("labTotal"), Qt::AlignLeft)) {
    m_seek->setObjectName(QStringLiteral("sldSeek"));
    m_seek->setFocusPolicy(Qt::NoFocus);
    m_seek->setRange(0, 0);
    m_seek->setToolTip(tr("Seek"));
    m_seek->installEventFilter(this);

    m_volume->setObjectName(QStringLiteral("sldVolume"));
    m_volume->setFocusPolicy(Qt::NoFocus);
    m_volume->setRange(0, 100);
    m_volume->setValue(m_player.volume());
    m_volume->setFixedWidth(72);
    m_volume->setToolTip(tr("Volume"));

    m_mute->setCheckable(true);
    m_mute->setChecked(m_player.mute());

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(2, 1, 2, 1);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(0);
    grid->addWidget(m_elapsed, 0, 0);
    grid->addWidget(m_seek, 0, 1);
    grid->addWidget(m_total, 0, 2);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(1);
    buttons->addWidget(m_playPause);
    buttons->addWidget(m_stop);
    buttons->addStretch(1);
    buttons->addWidget(m_mute);
    buttons->addWidget(m_volume);
    grid->addLayout(buttons, 1, 0, 1, 3);

    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &PlayerStrip::refreshPosition);
    connect(&m_player, &MediaPlayer::StatusChange, this, &PlayerStrip::onStatusChange);
    connect(m_playPause, &QToolButton::clicked, &m_player, &MediaPlayer::playPause);
    connect(m_stop, &QToolButton::clicked, this, [this] { m_player.stop(); });
    connect(m_volume, &QSlider::valueChanged, this,
            [this](int value) { m_player.setVolume(value); });
    // The desktop's media controls set the volume too; the slider follows at once.
    connect(&m_player, &MediaPlayer::volumeChanged, this, [this](int value) {
        const QSignalBlocker block(m_volume);
        m_volume->setValue(value);
    });
    connect(m_mute, &QToolButton::toggled, this, [this](bool muted) {
        m_player.setMute(muted);
        showMute();
    });
    // Dragging shows the time under the handle; the player moves only on release.
    connect(m_seek, &QSlider::sliderMoved, this, &PlayerStrip::showElapsed);
    connect(m_seek, &QSlider::sliderReleased, this, [this] {
        m_player.setCurrentPosition(m_seek->value() / 1000.0);
        refreshPosition();
    });
    onStatusChange();
}

QSize PlayerStrip::sizeHint() const {
    return QSize(320, 41);
}

QSize PlayerStrip::minimumSizeHint() const {
    return QSize(200, 41);
}

void PlayerStrip::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    refreshPosition();
    updateRefresh();
}

void PlayerStrip::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    updateRefresh();
}

bool PlayerStrip::eventFilter(QObject *watched, QEvent *event) {
    // A click on the groove jumps there, as in every media player, instead of paging.
    if (watched == m_seek && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        QStyleOptionSlider option;
        option.initFrom(m_seek);
        option.orientation = m_seek->orientation();
        option.minimum = m_seek->minimum();
        option.maximum = m_seek->maximum();
        option.sliderPosition = m_seek->sliderPosition();
        option.sliderValue = m_seek->value();
        const QRect handle = m_seek->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderHandle, m_seek);
        if (mouse->button() == Qt::LeftButton && m_seek->maximum() > 0 &&
            !handle.contains(mouse->position().toPoint())) {
            const int span = std::max(1, m_seek->width() - handle.width());
            const int x = int(mouse->position().x()) - handle.width() / 2;
            const int value = QStyle::sliderValueFromPosition(m_seek->minimum(), m_seek->maximum(),
                                                              std::clamp(x, 0, span), span);
            m_seek->setValue(value);
            m_player.setCurrentPosition(value / 1000.0);
            showElapsed(value);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerStrip::onStatusChange() {
    const MediaPlayer::PlayState state = m_player.playState();
    const bool playing = state == MediaPlayer::PlayState::Playing;
    m_playPause->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playPause->setToolTip(playing ? tr("Pause") : tr("Play"));
    const MediaItem *item = m_player.currentMedia();
    const double length = item ? item->duration() : 0.0;
    m_total->setText(item ? item->durationString() : QStringLiteral("0:00"));
    m_seek->setRange(0, int(std::floor(length * 1000.0)));
    m_seek->setEnabled(item && length > 0);
    {
        const QSignalBlocker block(m_volume);
        m_volume->setValue(m_player.volume());
    }
    {
        const QSignalBlocker block(m_mute);
        m_mute->setChecked(m_player.mute());
    }
    showMute();
    refreshPosition();
    updateRefresh();
}

void PlayerStrip::refreshPosition() {
    if (m_seek->isSliderDown())
        return;
    const int ms = int(std::floor(m_player.currentPosition() * 1000.0));
    {
        const QSignalBlocker block(m_seek);
        m_seek->setValue(ms);
    }
    showElapsed(ms);
}

void PlayerStrip::showElapsed(int milliseconds) {
    m_elapsed->setText(MediaItem::formatDuration(milliseconds / 1000.0));
}

void PlayerStrip::showMute() {
    const bool muted = m_mute->isChecked();
    m_mute->setIcon(
        style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    m_mute->setToolTip(muted ? tr("Unmute") : tr("Mute"));
}

void PlayerStrip::updateRefresh() {
    const bool wanted = isVisible() && isMoving(m_player.playState());
    if (wanted && !m_refresh.isActive())
        m_refresh.start();
    else if (!wanted)
        m_refresh.stop();
}
