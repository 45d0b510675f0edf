#include "app/SkinPicture.h"

#include "platform/Twips.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kFrame(150, 196, 228);
const QColor kFrameEdge(104, 160, 204);
const QColor kCross(214, 36, 36);
constexpr int kFrameWidth = 8;

} // namespace

SkinPicture::SkinPicture(QWidget *parent) : QWidget(parent) {
    setFixedSize(kSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect SkinPicture::crossRect() {
    // The close spot (Label7) lies at 4440, 120 twips, 255 twips square.
    return twips::rect(4440, 120, 255, 255).adjusted(3, 3, -3, -3);
}

void SkinPicture::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    painter.fillRect(rect(), Qt::white);
    QPainterPath frame;
    frame.addRoundedRect(outer, 6, 6);
    frame.addRoundedRect(outer.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth), 3,
                         3);
    painter.fillPath(frame, kFrame);
    painter.setPen(QPen(kFrameEdge, 1));
    painter.drawRoundedRect(outer, 6, 6);
    painter.drawRoundedRect(outer.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth), 3,
                            3);

    const QRectF cross = crossRect();
    painter.setBrush(Qt::white);
    painter.setPen(QPen(kCross, 1));
    painter.drawRoundedRect(cross, 2, 2);
    painter.setPen(QPen(kCross, 2.2, Qt::SolidLine, Qt::RoundCap));
    const QRectF inner = cross.adjusted(3.5, 3.5, -3.5, -3.5);
    painter.drawLine(inner.topLeft(), inner.bottomRight());
    painter.drawLine(inner.topRight(), inner.bottomLeft());
}
