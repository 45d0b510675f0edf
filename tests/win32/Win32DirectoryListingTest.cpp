#include "platform/win32/Win32DirectoryListing.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Each row of a table is named after its `name`.
template <typename Case> std::string caseName(const testing::TestParamInfo<Case> &row) {
    return row.param.name;
}

using Names = std::vector<std::wstring>;

Names sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class ListingTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        static int counter = 0;
        m_folder = std::wstring(temp) + L"zamp-listing-" + std::to_wstring(GetCurrentProcessId()) +
                   L"-" + std::to_wstring(++counter);
        ASSERT_TRUE(CreateDirectoryW(m_folder.c_str(), nullptr));
    }

    void TearDown() override { removeAll(m_folder); }

    std::wstring path(const std::wstring &name) const { return m_folder + L"\\" + name; }

    void makeFile(const std::wstring &name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        const HANDLE file = CreateFileW(path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        ASSERT_TRUE(SetFileAttributesW(path(name).c_str(), attributes));
    }

    void makeFolder(const std::wstring &name, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY) {
        ASSERT_TRUE(CreateDirectoryW(path(name).c_str(), nullptr));
        ASSERT_TRUE(SetFileAttributesW(path(name).c_str(), attributes));
    }

    static void removeAll(const std::wstring &folder) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring full = folder + L"\\" + name;
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    removeAll(full);
                else
                    DeleteFileW(full.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring m_folder;
};

// One entry of a folder: what it is, its attributes, and whether the listing shows it.
struct Entry {
    std::wstring name;
    bool folder;
    DWORD attributes;
    bool listed;
};

TEST_F(ListingTest, TellsFilesFromFoldersAndLeavesOutHiddenAndSystemEntries) {
    constexpr DWORD hidden = FILE_ATTRIBUTE_HIDDEN;
    constexpr DWORD system = FILE_ATTRIBUTE_SYSTEM;
    constexpr DWORD folder = FILE_ATTRIBUTE_DIRECTORY;
    const std::vector<Entry> entries = {
        {L"song.mp3", false, FILE_ATTRIBUTE_NORMAL, true},
        {L"notes.txt", false, FILE_ATTRIBUTE_ARCHIVE, true},
        {L"read only.wma", false, FILE_ATTRIBUTE_READONLY, true},
        // On Windows a leading dot hides nothing; the attributes do.
        {L".dotted.mp3", false, FILE_ATTRIBUTE_NORMAL, true},
        {L"hidden.mp3", false, hidden, false},
        {L"system.mp3", false, system, false},
        {L"hidden system.mp3", false, hidden | system, false},
        {L"Albums", true, folder, true},
        {L".dotted folder", true, folder, true},
        {L"ends with dot.mp3 folder", true, folder, true},
        {L"Hidden Folder", true, folder | hidden, false},
        {L"System Folder", true, folder | system, false},
    };
    Names files;
    Names folders;
    for (const Entry &entry : entries) {
        SCOPED_TRACE(std::string(entry.name.begin(), entry.name.end()));
        if (entry.folder)
            ASSERT_NO_FATAL_FAILURE(makeFolder(entry.name, entry.attributes));
        else
            ASSERT_NO_FATAL_FAILURE(makeFile(entry.name, entry.attributes));
        if (entry.listed)
            (entry.folder ? folders : files).push_back(entry.name);
    }
    // Only this folder is listed, not what its subfolders hold.
    ASSERT_NO_FATAL_FAILURE(makeFile(L"Albums\\inside.mp3"));

    Win32DirectoryListing::Contents contents;
    ASSERT_TRUE(Win32DirectoryListing().list(m_folder, contents));
    EXPECT_EQ(sorted(contents.files), sorted(files));
    EXPECT_EQ(sorted(contents.folders), sorted(folders));
}

TEST_F(ListingTest, NamesOutsideAsciiComeBackExactlyAndOpen) {
    const Names files = {L"caf\u00e9.mp3", L"\u65e5\u672c\u8a9e\u306e\u6b4c.wma",
                         L"\U0001F3B5 beat.mp3", L"\u00c5ngstr\u00f6m \u2013 \u20ac.asf"};
    const Names folders = {L"\u0391\u03b8\u03ae\u03bd\u03b1", L"M\u00fcller \U0001D11E"};
    for (const std::wstring &name : files)
        ASSERT_NO_FATAL_FAILURE(makeFile(name));
    for (const std::wstring &name : folders)
        ASSERT_NO_FATAL_FAILURE(makeFolder(name));

    Win32DirectoryListing::Contents contents;
    ASSERT_TRUE(Win32DirectoryListing().list(m_folder, contents));
    EXPECT_EQ(sorted(contents.files), sorted(files));
    EXPECT_EQ(sorted(contents.folders), sorted(folders));
    for (const std::wstring &name : contents.files) {
        const HANDLE file = CreateFileW(path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
}

// How the folder is named and what the listing then gives.
struct FolderCase {
    const char *name;
    std::wstring suffix; // appended to the test's folder
    bool listed;
    Names files;
};

void PrintTo(const FolderCase &row, std::ostream *out) {
    *out << row.name;
}

class FolderNaming : public ListingTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(FolderNaming, ListsOnlyRealFoldersAndEmptiesTheContentsFirst) {
    ASSERT_NO_FATAL_FAILURE(makeFile(L"song.mp3"));
    ASSERT_NO_FATAL_FAILURE(makeFolder(L"empty"));

    Win32DirectoryListing::Contents contents{{L"stale file"}, {L"stale folder"}};
    EXPECT_EQ(Win32DirectoryListing().list(m_folder + GetParam().suffix, contents),
              GetParam().listed);
    EXPECT_EQ(contents.files, GetParam().files);
    if (GetParam().suffix.empty() || GetParam().suffix == L"\\" || GetParam().suffix == L"/") {
        EXPECT_EQ(contents.folders, Names{L"empty"});
    } else {
        EXPECT_EQ(contents.folders, Names{});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderNaming,
    testing::Values(FolderCase{"plain", L"", true, {L"song.mp3"}},
                    FolderCase{"trailing_backslash", L"\\", true, {L"song.mp3"}},
                    FolderCase{"trailing_slash", L"/", true, {L"song.mp3"}},
                    FolderCase{"empty_folder", L"\\empty", true, {}},
                    FolderCase{"missing_folder", L"\\missing", false, {}},
                    FolderCase{"file_named_as_folder", L"\\song.mp3", false, {}}),
    caseName<FolderCase>);

TEST(Listing, AnEmptyNameIsNoFolder) {
    Win32DirectoryListing::Contents contents{{L"stale file"}, {L"stale folder"}};
    EXPECT_FALSE(Win32DirectoryListing().list(L"", contents));
    EXPECT_TRUE(contents.files.empty());
    EXPECT_TRUE(contents.folders.empty());
}

} // namespace
