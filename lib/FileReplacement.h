// FileReplacement: writing a file so that its old contents survive until the
// new ones are whole. The bytes go to a new file beside the target (same
// folder, so the same file system), which is flushed to the disk and then
// renamed over the target in one step; a failure at any point removes that
// new file and nothing else. The target must be a regular file or a name
// that does not exist yet: a folder, a device (/dev/full, NUL) or a link
// that leads nowhere is refused before anything is written.
#ifndef BOXGRAPH_FILE_REPLACEMENT_H
#define BOXGRAPH_FILE_REPLACEMENT_H

#include <stdio.h>

typedef enum {
    REPLACEMENT_OK = 0,
    REPLACEMENT_NOT_REGULAR,    // the target exists and is no regular file
    REPLACEMENT_CANNOT_CREATE,  // no new file could be made in its folder (none there, no permission)
    REPLACEMENT_WRITE_FAILED,   // writing, flushing or closing the new file failed (a full disk)
    REPLACEMENT_RENAME_FAILED   // the new file could not take the target's place
} ReplacementStatus;

typedef struct FileReplacement FileReplacement;

// A new replacement of the file at path (a symbolic link is followed: the
// file it leads to is replaced, the link stays), with a binary stream open
// on a new file beside it, created with the target's permissions (for a new
// name, those the process's umask gives). Null with *status saying why
// (REPLACEMENT_NOT_REGULAR or REPLACEMENT_CANNOT_CREATE), nothing created
// and nothing changed. Checked allocation for the record. O(path length).
FileReplacement* FileReplacement_open(const char* path, ReplacementStatus* status);

// The stream to write the new contents to; it stays the replacement's.
FILE* FileReplacement_stream(const FileReplacement* replacement);

// Flushes the stream and the new file to the disk, closes it and renames it
// over the target (on POSIX systems the folder is then flushed too, so the
// rename survives a crash). Returns REPLACEMENT_OK, or
// REPLACEMENT_WRITE_FAILED or REPLACEMENT_RENAME_FAILED with the new file
// removed and the target as it was. Either way the record is released and
// *replacement nulled.
ReplacementStatus FileReplacement_commit(FileReplacement** replacement);

// Abandons a replacement not committed: closes and removes the new file
// (the target is as it was) and releases the record; nulls *replacement.
// Null does nothing.
void FileReplacement_free(FileReplacement** replacement);

#endif
