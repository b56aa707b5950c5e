// Replacing a file: the old contents survive every failure, only the new
// file the replacement made is ever removed, and targets that are no regular
// file are refused before anything is written.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "FileReplacement.h"
#include "TempFiles.h"
#include "WindowsApi.h"

#if defined(_WIN32)
#include <direct.h>
#else
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A new empty folder in the working folder, removed with what it holds when it goes.
class Folder {
public:
    Folder() : path_(tempfiles::uniqueName("boxgraph-replace", ""))
    {
#if defined(_WIN32)
        _mkdir(path_.c_str());
#else
        mkdir(path_.c_str(), 0777);
#endif
    }
    ~Folder()
    {
        for (const std::string& name : names())
            remove((path_ + "/" + name).c_str());
        remove(path_.c_str());
#if defined(_WIN32)
        _rmdir(path_.c_str());
#endif
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // The names in the folder, "." and ".." left out.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
#if defined(_WIN32)
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((path_ + "/*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            return found;
        do {
            if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0)
                found.push_back(entry.cFileName);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
#else
        if (DIR* dir = opendir(path_.c_str())) {
            while (const dirent* entry = readdir(dir))
                if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                    found.push_back(entry->d_name);
            closedir(dir);
        }
#endif
        return found;
    }

private:
    std::string path_;
};

std::string contentsOf(const std::string& path)
{
    std::string bytes;
    if (FILE* file = fopen(path.c_str(), "rb")) {
        char block[4096];
        size_t n;
        while ((n = fread(block, 1, sizeof block, file)) > 0)
            bytes.append(block, n);
        fclose(file);
    }
    return bytes;
}

// Replaces path with bytes; the status of the first step that failed.
ReplacementStatus replace(const std::string& path, const std::string& bytes)
{
    ReplacementStatus status = REPLACEMENT_OK;
    FileReplacement* r = FileReplacement_open(path.c_str(), &status);
    if (r == nullptr)
        return status;
    fwrite(bytes.data(), 1, bytes.size(), FileReplacement_stream(r));
    return FileReplacement_commit(&r);
}

TEST(FileReplacement, WritesNewNamesAndReplacesFilesWholeLeavingNothingElse)
{
    Folder folder;
    EXPECT_EQ(replace(folder / "a.tree", "first"), REPLACEMENT_OK);
    EXPECT_EQ(contentsOf(folder / "a.tree"), "first");
    EXPECT_EQ(replace(folder / "a.tree", "second, longer"), REPLACEMENT_OK);
    EXPECT_EQ(contentsOf(folder / "a.tree"), "second, longer");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.tree"});

    // Abandoned before it was committed: the old file stays, the new one goes.
    ReplacementStatus status = REPLACEMENT_WRITE_FAILED;
    FileReplacement* r = FileReplacement_open((folder / "a.tree").c_str(), &status);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(status, REPLACEMENT_OK);
    fputs("half", FileReplacement_stream(r));
    EXPECT_EQ(folder.names().size(), 2u);
    FileReplacement_free(&r);
    EXPECT_EQ(r, nullptr);
    FileReplacement_free(&r);
    EXPECT_EQ(contentsOf(folder / "a.tree"), "second, longer");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.tree"});
}

TEST(FileReplacement, RefusesFoldersDevicesAndMissingFoldersWithoutWriting)
{
    Folder folder;
    Folder inner;
    EXPECT_EQ(replace(inner.path(), "x"), REPLACEMENT_NOT_REGULAR);
    EXPECT_EQ(replace(folder / "no such folder/a.tree", "x"), REPLACEMENT_CANNOT_CREATE);
#if !defined(_WIN32)
    EXPECT_EQ(replace("/dev/null", "x"), REPLACEMENT_NOT_REGULAR);
    EXPECT_EQ(replace("/dev/full", "x"), REPLACEMENT_NOT_REGULAR);
    ASSERT_EQ(symlink("nowhere", (folder / "dangling").c_str()), 0);
    EXPECT_EQ(replace(folder / "dangling", "x"), REPLACEMENT_NOT_REGULAR);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"dangling"});
#endif
}

#if !defined(_WIN32)
// A link is followed: the file it leads to is replaced and keeps its
// permissions, and the link stays a link.
TEST(FileReplacement, FollowsLinksAndKeepsPermissions)
{
    Folder folder;
    ASSERT_EQ(replace(folder / "file", "old"), REPLACEMENT_OK);
    ASSERT_EQ(chmod((folder / "file").c_str(), 0640), 0);
    ASSERT_EQ(symlink("file", (folder / "link").c_str()), 0);
    EXPECT_EQ(replace(folder / "link", "new"), REPLACEMENT_OK);
    struct stat info;
    ASSERT_EQ(lstat((folder / "link").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat((folder / "file").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(contentsOf(folder / "file"), "new");
    EXPECT_EQ(folder.names().size(), 2u);
}

// A disk that fills up (here a file-size limit, as ulimit -f sets): the
// write fails, the old file is whole and the new one is gone.
TEST(FileReplacement, AFailedWriteKeepsTheOldFile)
{
    Folder folder;
    const std::string old(1000, 'o');
    ASSERT_EQ(replace(folder / "a.tree", old), REPLACEMENT_OK);
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
    struct rlimit limit = before;
    limit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const ReplacementStatus status = replace(folder / "a.tree", std::string(100000, 'n'));
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(status, REPLACEMENT_WRITE_FAILED);
    EXPECT_EQ(contentsOf(folder / "a.tree"), old);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.tree"});
}
#endif

}  // namespace
