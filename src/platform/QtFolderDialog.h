#pragma once

#include "platform/FolderDialog.h"

// Qt's folder chooser; only folders of the file system can be chosen.
class QtFolderDialog final : public FolderDialog {
public:
    QString browseFolder(QWidget *parent, const QString &prompt) override;
};
