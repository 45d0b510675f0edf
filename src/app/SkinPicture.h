#pragma once

#include <QWidget>

// The main window's skin: a white panel in a light blue frame, with the red close cross near the
// top right corner (under the close spot). Drawn, so it stays sharp at any scale.
class SkinPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kSize{322, 118};

    explicit SkinPicture(QWidget *parent = nullptr);

    // Where the cross is drawn, in the picture's coordinates.
    static QRect crossRect();

protected:
    void paintEvent(QPaintEvent *event) override;
};
