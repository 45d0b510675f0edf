#include "app/DragStrip.h"

#include "platform/Twips.h"

#include <QMouseEvent>

DragStrip::DragStrip(QWidget *parent) : QWidget(parent) {
    // Without tracking Qt reports moves only while a button is held, and the strip must also see
    // the plain moves that remember the grab point.
    setMouseTracking(true);
    setCursor(Qt::SizeAllCursor);
}

void DragStrip::mouseMoveEvent(QMouseEvent *event) {
    const QPointF pos = event->position();
    emit moved(event->buttons(), qRound(pos.x() * twips::kPerPixel),
               qRound(pos.y() * twips::kPerPixel));
}
