#pragma once

#include <QWidget>

// A transparent strip along an edge of the borderless main window. It reports every pointer
// movement over it, with or without a button held, in twips relative to the strip.
class DragStrip : public QWidget {
    Q_OBJECT
public:
    explicit DragStrip(QWidget *parent = nullptr);

signals:
    void moved(Qt::MouseButtons buttons, int xTwips, int yTwips);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
};
