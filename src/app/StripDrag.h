#pragma once

#include <QPoint>
#include <Qt>
#include <functional>
#include <optional>

// The drag of the borderless window by its four strips. Where the window system moves windows
// itself (Wayland), a drag hands the window over to it as it begins; elsewhere, or where it
// declines, each move with the left button alone held moves the window by the pointer's movement
// since the grab point, the point remembered at every other move.
class StripDrag {
public:
    // `systemMove` asks the window system to move the window with the pointer (false where it
    // will not); `moveBy` moves it by a distance in twips.
    StripDrag(std::function<bool()> systemMove, std::function<void(QPoint twips)> moveBy);

    // A pointer move over a strip, at a point in twips relative to that strip.
    void moved(Qt::MouseButtons buttons, QPoint twips);

private:
    std::function<bool()> m_systemMove;
    std::function<void(QPoint)> m_moveBy;
    std::optional<QPoint> m_grabPoint;
    // While the left button stays held: whether the window system was asked yet, and took it.
    bool m_asked = false;
    bool m_bySystem = false;
};
