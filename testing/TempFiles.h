// Temporary files for tests: names no other process running at the same time
// uses, and a read-write binary stdio stream removed when closed.
#ifndef BOXGRAPH_TESTING_TEMP_FILES_H
#define BOXGRAPH_TESTING_TEMP_FILES_H

#include <stdio.h>

#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace tempfiles {

// A file name in the working folder, "<stem>.<process>.<serial><suffix>",
// new with every call in this process.
inline std::string uniqueName(const std::string& stem, const std::string& suffix)
{
    static unsigned long serial = 0;
#if defined(_WIN32)
    const long process = _getpid();
#else
    const long process = static_cast<long>(getpid());
#endif
    return stem + "." + std::to_string(process) + "." + std::to_string(++serial) + suffix;
}

// A new empty temporary stream, or null. Windows' tmpfile picks a free name,
// frees it and only then opens it, so test programs running at the same time
// can share one file; there the stream is a file in the working folder named
// after the process, created exclusively.
inline FILE* open()
{
#if defined(_WIN32)
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = uniqueName("boxgraph-stream", ".tmp");
        const int fd = _open(name.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_TEMPORARY,
                             _S_IREAD | _S_IWRITE);
        if (fd < 0)
            continue;
        FILE* stream = _fdopen(fd, "w+b");
        if (stream == nullptr)
            _close(fd);
        return stream;
    }
    return nullptr;
#else
    return tmpfile();
#endif
}

}  // namespace tempfiles

#endif
