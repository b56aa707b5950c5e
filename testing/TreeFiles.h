// Test-side tree files: a writer for the header and the pre-order node
// stream, and ways to read bytes through a real stdio stream or a file.
#ifndef BOXGRAPH_TESTING_TREE_FILES_H
#define BOXGRAPH_TESTING_TREE_FILES_H

#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

#include "TempFiles.h"
#include "TreeRecords.h"

namespace treefiles {

// The six header lines, with both addresses written as 1.
inline std::string header(int dim, const std::vector<double>& center,
                          const std::vector<double>& radius, long boxes = 1)
{
    std::string text = "Tree at 0x1:\nRectangle at 0x1:\n  dim = " + std::to_string(dim) +
                       "\n  center =";
    char number[64];
    for (double v : center) {
        snprintf(number, sizeof number, " %.17g", v);
        text += number;
    }
    text += "\n  radius =";
    for (double v : radius) {
        snprintf(number, sizeof number, " %.17g", v);
        text += number;
    }
    text += "\n  no of boxes = " + std::to_string(boxes) + "\n";
    return text;
}

// The node stream of the subtree at root: each box as flags, split, aux,
// then its lower and upper subtrees; 0 for an absent box.
inline std::string nodes(const Box* root)
{
    std::string bytes;
    std::vector<const Box*> stack{root};
    while (!stack.empty()) {
        const Box* box = stack.back();
        stack.pop_back();
        if (box == nullptr) {
            bytes += '\0';
            continue;
        }
        bytes += static_cast<char>(box->flags);
        bytes += static_cast<char>(box->split);
        bytes += static_cast<char>(box->aux);
        stack.push_back(box->child[1]);
        stack.push_back(box->child[0]);
    }
    return bytes;
}

// The bytes a Windows text-mode stream writes for bytes: each 10 as 13 10.
inline std::string textModeBytes(const std::string& bytes)
{
    std::string text;
    for (char c : bytes) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

// A temporary stdio stream holding bytes, positioned at its start.
class Stream {
public:
    explicit Stream(const std::string& bytes) : file_(tempfiles::open())
    {
        if (file_ != nullptr) {
            fwrite(bytes.data(), 1, bytes.size(), file_);
            rewind(file_);
        }
    }
    ~Stream()
    {
        if (file_ != nullptr)
            fclose(file_);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    FILE* get() const { return file_; }

private:
    FILE* file_;
};

// Writes bytes to path through a stream opened with mode ("wb" binary, "w"
// text: on Windows each byte 10 then goes out as 13 10); true on success.
inline bool writeFile(const std::string& path, const std::string& bytes, const char* mode = "wb")
{
    FILE* file = fopen(path.c_str(), mode);
    if (file == nullptr)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

// A file in the working folder holding bytes, removed when it goes. Names
// differ between files and between processes that run at the same time.
class TempFile {
public:
    explicit TempFile(const std::string& bytes, const char* mode = "wb")
        : path_(tempfiles::uniqueName("boxgraph-test", ".tree"))
    {
        writeFile(path_, bytes, mode);
    }
    ~TempFile() { remove(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace treefiles

#endif
