#include "platform/QtFolderDialog.h"

#include <QDir>
#include <QFileDialog>

QString QtFolderDialog::browseFolder(QWidget *parent, const QString &prompt) {
    const QString folder = QFileDialog::getExistingDirectory(parent, prompt, QDir::homePath(),
                                                             QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(folder);
}
