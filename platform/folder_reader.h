#pragma once
// Reads a folder once, with each entry's type as the file system reports it, so
// that callers stat only what they must.
#include <dirent.h>
#include <fcntl.h>  // AT_FDCWD for openFolderAt
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace velmorin::platform {

struct FolderEntry {
  std::string name;
  unsigned char type = DT_UNKNOWN;  // DT_DIR, DT_REG, DT_LNK, ... or DT_UNKNOWN
};

// Lists the folder just opened as `folderFd` ("." and ".." left out) in the
// order the file system gives; a descriptor read before is not rewound (one
// system call less per folder in tree walks). Returns false with errno set when
// it cannot be read; the descriptor stays open and owned by the caller.
bool readFolder(int folderFd, std::vector<FolderEntry>& entries);

// Like readFolder, but hands each entry to `visit` straight from the kernel's
// buffer instead of keeping a copy: `name` is valid only during the call.
// Walks that look at each entry once need no list.
bool visitFolder(int folderFd, const std::function<void(const char* name, unsigned char type)>& visit);

// Opens `name` in `folderFd` for reading only if it is a regular file: the
// non-blocking open returns at once even if it was swapped for a FIFO. Fills
// `st`. Returns -1 with errno set, or with errno 0 when it is not a regular file.
int openRegularFile(int folderFd, const char* name, bool followLink, struct stat& st);

// Opens `name` relative to `parentFd` as a folder (no link followed when
// `followLinks` is false). Returns -1 with errno set on failure.
int openFolderAt(int parentFd, const char* name, bool followLinks = false);

// Which file a stat describes, whatever name it was reached by.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  static FileId of(const struct stat& st) { return {st.st_dev, st.st_ino}; }
  bool matches(const struct stat& st) const { return st.st_dev == dev && st.st_ino == ino; }
};

// Whether `st` describes one of `files`.
inline bool isOneOf(const struct stat& st, const std::vector<FileId>& files) {
  return std::any_of(files.begin(), files.end(), [&](const FileId& id) { return id.matches(st); });
}

}  // namespace velmorin::platform
