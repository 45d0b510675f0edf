#pragma once

#include "platform/WindowMover.h"

class QtWindowMover final : public WindowMover {
public:
    bool startSystemMove(QWidget *window) override;
};
