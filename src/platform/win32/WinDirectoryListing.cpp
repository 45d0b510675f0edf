// DirectoryListing on Windows, in place of the readdir one: Win32DirectoryListing does the work,
// and its UTF-16 names become QStrings unchanged. Built on Windows only.
#include "platform/DirectoryListing.h"

#include "platform/win32/Win32DirectoryListing.h"

DirectoryListing::~DirectoryListing() = default;

bool DirectoryListing::list(const QString &folder, Contents &contents) const {
    contents.files.clear();
    contents.folders.clear();
    Win32DirectoryListing::Contents found;
    if (!Win32DirectoryListing().list(folder.toStdWString(), found))
        return false;
    for (const std::wstring &name : found.files)
        contents.files.append(QString::fromStdWString(name));
    for (const std::wstring &name : found.folders)
        contents.folders.append(QString::fromStdWString(name));
    return true;
}
