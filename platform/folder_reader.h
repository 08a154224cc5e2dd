#pragma once
// Reads a folder once, with each entry's type as the file system reports it, so
// that callers stat only what they must.
#include <dirent.h>
#include <fcntl.h>  // AT_FDCWD for openFolderAt
#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_id.h"
#include "platform/status.h"
#include "platform/unique_fd.h"

namespace velmorin::platform {

// Hands each entry of the folder just opened as `folderFd` ("." and ".."
// left out), in the order the file system gives, to `visit` straight from the
// kernel's buffer: `name` is valid only during the call, and nothing is held,
// whatever the folder's size. `type` is a DT_ value, DT_UNKNOWN where the file
// system does not say (see entryType). A descriptor read before is not
// rewound. Fails (with the errno code) when it cannot be read to its end; the
// descriptor stays open and owned by the caller.
Status visitFolder(int folderFd, const std::function<void(const char* name, unsigned char type)>& visit);

// The type of `name` in `folderFd`: `reported` (a DT_ value from the listing)
// when the file system said, else asked of it (links not followed).
StatusOr<unsigned char> entryType(int folderFd, const char* name, unsigned char reported);

// The text of the link `name` in `folderFd`, whose lstat is `st` (its size
// is the text's length on most file systems, 0 on some).
StatusOr<std::string> readLinkAt(int folderFd, const char* name, const struct stat& st);

// What openRegularFile found: `fd` is open for reading when `name` is a
// regular file; otherwise it is not valid and `st` says what stands there.
struct OpenedFile {
  UniqueFd fd;
  struct stat st {};
};

// How the opened file is read afterwards: the open is non-blocking, and the
// flag is cleared at once for any reader, or left for readUntilFullOrEnd,
// which clears it should a file system honour it on a regular file. That
// saves a system call per file where thousands are read.
enum class Reads : bool { Any, OnlyUntilFullOrEnd };

// Opens `name` in `folderFd` for reading only if it is a regular file: the
// non-blocking open returns at once even if it was swapped for a FIFO.
StatusOr<OpenedFile> openRegularFile(int folderFd, const char* name, bool followLink, Reads reads = Reads::Any);

// Opens `name` relative to `parentFd` as a folder (a link followed only when
// `followLinks`).
StatusOr<UniqueFd> openFolderAt(int parentFd, const char* name, bool followLinks = false);

}  // namespace velmorin::platform
