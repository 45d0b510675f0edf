#include "platform/win32/Win32DirectoryListing.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

bool isDotEntry(const wchar_t *name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

} // namespace

bool Win32DirectoryListing::list(const std::wstring &folder, Contents &contents) const {
    contents.files.clear();
    contents.folders.clear();
    if (folder.empty() || folder.find(L'\0') != std::wstring::npos)
        return false;
    std::wstring pattern = folder;
    if (pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';

    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        // The root of an empty drive has not even "." to report: that is an empty folder, not a
        // failure. Anything else that finds nothing is no folder at all.
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    constexpr DWORD kLeftOut = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if (isDotEntry(found.cFileName) || (found.dwFileAttributes & kLeftOut) != 0)
            continue;
        auto &names = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? contents.folders
                                                                               : contents.files;
        names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    if (!complete) {
        contents.files.clear();
        contents.folders.clear();
    }
    return complete;
}
