#pragma once

#include "platform/PopupMenus.h"

class QtPopupMenus final : public PopupMenus {
public:
    void popUp(QMenu *menu) override;
    void open(QMenu *menu) override;
};
