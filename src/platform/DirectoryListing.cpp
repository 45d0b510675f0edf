#include "platform/DirectoryListing.h"

#include "platform/FileNames.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

enum class Kind { File, Folder, Other };

Kind kindOf(DIR *dir, const dirent *entry) {
    switch (entry->d_type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Other;
    }
    // Links are followed to what they name; a broken link fails here and is left out.
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0)
        return Kind::Other;
    if (S_ISREG(info.st_mode))
        return Kind::File;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    return Kind::Other;
}

} // namespace

DirectoryListing::~DirectoryListing() = default;

bool DirectoryListing::list(const QString &folder, Contents &contents) const {
    contents.files.clear();
    contents.folders.clear();
    const QByteArray path = FileNames::encode(folder);
    if (path.isEmpty() || path.contains('\0'))
        return false;
    DIR *dir = opendir(path.constData());
    if (!dir)
        return false;
    bool complete = true;
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir);
        if (!entry) {
            // readdir() returns null both at the end and on an error; only errno tells them
            // apart.
            complete = errno == 0;
            break;
        }
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const Kind kind = kindOf(dir, entry);
        if (kind == Kind::Other)
            continue;
        const QString decoded = FileNames::decode(name, qsizetype(std::strlen(name)));
        (kind == Kind::File ? contents.files : contents.folders).append(decoded);
    }
    closedir(dir);
    if (!complete) {
        contents.files.clear();
        contents.folders.clear();
    }
    return complete;
}
