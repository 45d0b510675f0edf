#pragma once

#include <QString>
#include <QStringList>

// Lists one folder of the file system: the names of its files and of its subfolders, unsorted,
// as the folder holds them (decoded losslessly by FileNames). Only regular files, and symbolic
// links to them, count as files; only directories, and symbolic links to them, as subfolders.
// Everything else (FIFOs, sockets, devices, broken links) is left out, and nothing listed is
// ever opened, so a FIFO cannot block the listing. "." and ".." are left out; hidden names are
// not (what counts as hidden is the caller's rule).
//
// The real listing reads the directory with readdir() and takes each entry's kind from d_type,
// so a folder of thousands of files costs no stat() per file: only entries whose kind the file
// system does not report, and symbolic links, are looked at with stat(). Tests override list()
// to simulate folders that fail.
//
// On Windows the listing is Win32DirectoryListing's (src/platform/win32): FindFirstFileW, with
// entries marked hidden or system left out there.
class DirectoryListing {
public:
    struct Contents {
        QStringList files;
        QStringList folders;
    };

    virtual ~DirectoryListing();

    // Fills `contents` (emptied first) and returns true, or returns false when the folder does
    // not exist, is not a folder, cannot be opened or cannot be read to its end.
    virtual bool list(const QString &folder, Contents &contents) const;
};
