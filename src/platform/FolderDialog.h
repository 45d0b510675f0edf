#pragma once

#include <QString>

class QWidget;

// The platform's folder chooser.
class FolderDialog {
public:
    virtual ~FolderDialog() = default;

    // Shows the dialog modally with the prompt above the folder tree; returns the chosen folder,
    // or an empty string when the user cancelled.
    virtual QString browseFolder(QWidget *parent, const QString &prompt) = 0;
};
