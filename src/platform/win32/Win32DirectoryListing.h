#pragma once

#include <string>
#include <vector>

// Lists one folder through FindFirstFileW/FindNextFileW: the names of its files and of its
// subfolders, unsorted, as the folder holds them. Names are UTF-16 exactly as the file system
// returns them (std::wstring is UTF-16 on Windows), so nothing is lost, not even an unpaired
// surrogate. "." and ".." are left out, and so is every entry marked hidden or system: on Windows
// those attributes, not a leading ".", are what hides a name. An entry counts as a subfolder when
// its find data carries the directory attribute, and as a file otherwise.
class Win32DirectoryListing {
public:
    struct Contents {
        std::vector<std::wstring> files;
        std::vector<std::wstring> folders;
    };

    // Fills `contents` (emptied first) and returns true, or returns false (leaving it empty) when
    // the folder does not exist, is not a folder, cannot be opened or cannot be read to its end.
    bool list(const std::wstring &folder, Contents &contents) const;
};
