#include "FileReplacement.h"

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>

#include "Alloc.h"
#include "Owner.h"
#include "WindowsApi.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

struct FileReplacement {
    FILE* stream;  // on the new file, until it is closed
    char* temp;    // the new file's name
    char* target;  // the name it takes
};

namespace {

// A NUL-terminated copy of text in a checked allocation.
char* copyOf(const std::string& text)
{
    char* copy = static_cast<char*>(CHECKED_CALLOC(text.size() + 1, 1));
    memcpy(copy, text.data(), text.size());
    return copy;
}

uint64_t mix(uint64_t z)
{
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// A name part that differs between attempts, calls and processes.
std::string uniquePart()
{
    static uint64_t serial = 0;
    int local = 0;
#if defined(_WIN32)
    const uint64_t process = static_cast<uint64_t>(_getpid());
#else
    const uint64_t process = static_cast<uint64_t>(getpid());
#endif
    const uint64_t value = mix(mix(++serial ^ (process << 32)) ^ static_cast<uint64_t>(time(nullptr)) ^
                               reinterpret_cast<uintptr_t>(&local));
    char text[24];
    snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

constexpr size_t kNameExtra = 32;  // ".", ".", 16 digits, ".tmp" and the NUL

bool isSeparator(char c)
{
#if defined(_WIN32)
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// What the target is: absent (a new name), a regular file (with its mode and
// owner, to give the new file), or something else.
struct Target {
    ReplacementStatus status = REPLACEMENT_OK;
    bool exists = false;
    std::string path;  // where the file is (a link followed)
#if !defined(_WIN32)
    struct stat info {};
#endif
};

Target examine(const char* path)
{
    Target target;
    target.path = path;
#if defined(_WIN32)
    struct _stat64 info;
    if (_stat64(path, &info) == 0) {
        target.exists = true;
        if ((info.st_mode & _S_IFMT) != _S_IFREG)
            target.status = REPLACEMENT_NOT_REGULAR;
    } else if (errno != ENOENT) {
        target.status = REPLACEMENT_CANNOT_CREATE;
    }
#else
    if (lstat(path, &target.info) != 0) {
        if (errno != ENOENT)
            target.status = REPLACEMENT_CANNOT_CREATE;  // a folder on the way is missing or closed
        return target;
    }
    target.exists = true;
    if (S_ISLNK(target.info.st_mode)) {
        // The file the link leads to is replaced; a link that leads nowhere
        // (or round in a loop) names no file.
        char* resolved = stat(path, &target.info) == 0 ? realpath(path, nullptr) : nullptr;
        if (resolved == nullptr) {
            target.status = REPLACEMENT_NOT_REGULAR;
            return target;
        }
        target.path = resolved;
        free(resolved);
    }
    if (!S_ISREG(target.info.st_mode))
        target.status = REPLACEMENT_NOT_REGULAR;
    else if (access(target.path.c_str(), W_OK) != 0)
        target.status = REPLACEMENT_CANNOT_CREATE;  // as opening it for writing would be refused
#endif
    return target;
}

// Creates a new file beside target: "<folder>.<name>.<unique>.tmp", at most
// kNameExtra - 1 bytes longer than target. Returns its descriptor (and its
// name in *temp), or -1.
int createBeside(const std::string& target, std::string* temp)
{
    size_t slash = target.size();
    while (slash > 0 && !isSeparator(target[slash - 1]))
        --slash;
    const std::string folder = target.substr(0, slash);
    const std::string name = target.substr(slash, 200);  // leave room within a name's longest
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = folder + "." + name + "." + uniquePart() + ".tmp";
#if defined(_WIN32)
        const int fd = _open(temp->c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                             _S_IREAD | _S_IWRITE);
#else
        const int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Flushes the folder holding path to the disk, so that a rename in it is
// kept; best effort (not every system lets a folder be flushed).
void flushFolderOf(const std::string& path)
{
#if !defined(_WIN32)
    size_t slash = path.size();
    while (slash > 0 && path[slash - 1] != '/')
        --slash;
    const std::string folder = slash == 0 ? "." : path.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (fsync(fd) != 0) {
            // nothing more to do: the file itself is on the disk
        }
        close(fd);
    }
#else
    (void)path;
#endif
}

// Flushes stream and its file to the disk and closes it; false when any of it failed.
bool flushAndClose(FILE* stream)
{
    bool ok = fflush(stream) == 0 && !ferror(stream);
#if defined(_WIN32)
    ok = ok && _commit(_fileno(stream)) == 0;
#else
    // A file system that cannot flush a file (EINVAL, ENOTSUP: some
    // special or network ones) has written it as far as it can.
    ok = ok && (fsync(fileno(stream)) == 0 || errno == EINVAL || errno == ENOTSUP);
#endif
    return fclose(stream) == 0 && ok;
}

bool renameOver(const char* from, const char* to)
{
#if defined(_WIN32)
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return rename(from, to) == 0;
#endif
}

}  // namespace

FileReplacement* FileReplacement_open(const char* path, ReplacementStatus* status)
{
    const Target target = examine(path);
    *status = target.status;
    if (target.status != REPLACEMENT_OK)
        return nullptr;
    Owner<FileReplacement, FileReplacement_free> replacement(
        static_cast<FileReplacement*>(CHECKED_CALLOC(1, sizeof(FileReplacement))));
    replacement->target = copyOf(target.path);
    // Room for the new file's name before the file exists: once it does,
    // nothing may fail before the record holds its name.
    Owner<char, free> name(static_cast<char*>(CHECKED_CALLOC(target.path.size() + kNameExtra, 1)));
    std::string temp;
    const int fd = createBeside(target.path, &temp);
    if (fd < 0) {
        *status = REPLACEMENT_CANNOT_CREATE;
        return nullptr;
    }
    memcpy(name.get(), temp.c_str(), temp.size() + 1);
    replacement->temp = name.release();  // from here FileReplacement_free removes it
#if defined(_WIN32)
    replacement->stream = _fdopen(fd, "wb");
    if (replacement->stream == nullptr)
        _close(fd);
#else
    if (target.exists) {
        // The new file takes the old one's place: give it its owner and
        // permissions (the owner only where the process may, as root).
        if (fchown(fd, target.info.st_uid, target.info.st_gid) != 0) {
            // another user's file, saved by its group or others: it becomes ours
        }
        if (fchmod(fd, target.info.st_mode & 07777) != 0) {
            // the umask's permissions stay
        }
    }
    replacement->stream = fdopen(fd, "wb");
    if (replacement->stream == nullptr)
        close(fd);
#endif
    if (replacement->stream == nullptr) {
        *status = REPLACEMENT_CANNOT_CREATE;
        return nullptr;
    }
    return replacement.release();
}

FILE* FileReplacement_stream(const FileReplacement* replacement)
{
    return replacement->stream;
}

ReplacementStatus FileReplacement_commit(FileReplacement** replacement)
{
    Owner<FileReplacement, FileReplacement_free> r(*replacement);
    *replacement = nullptr;
    FILE* stream = r->stream;
    r->stream = nullptr;
    if (!flushAndClose(stream))
        return REPLACEMENT_WRITE_FAILED;
    if (!renameOver(r->temp, r->target))
        return REPLACEMENT_RENAME_FAILED;
    free(r->temp);
    r->temp = nullptr;  // it is the target now: nothing to remove
    flushFolderOf(r->target);
    return REPLACEMENT_OK;
}

void FileReplacement_free(FileReplacement** replacement)
{
    if (replacement == nullptr || *replacement == nullptr)
        return;
    FileReplacement* r = *replacement;
    if (r->stream != nullptr)
        fclose(r->stream);
    if (r->temp != nullptr)
        remove(r->temp);  // the new file this replacement made, never the target
    free(r->temp);
    free(r->target);
    free(r);
    *replacement = nullptr;
}
