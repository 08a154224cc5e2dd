#pragma once
// An open folder, for the commands that walk the user's folders: its entries
// with the kind the file system reports (asked for only when it does not
// say), and the facts of an entry on demand. Nothing here follows a link
// unless asked to.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/folder_reader.h"
#include "platform/status.h"
#include "platform/unique_fd.h"

namespace velmorin::platform {

// The path of the entry `name` of the folder at `folder` ("/" joins without a
// second slash).
std::string childPath(std::string_view folder, std::string_view name);

enum class EntryKind { Missing, File, Folder, Link, Other };

// What an entry is, its length in bytes and when its content last changed.
struct FileFacts {
  EntryKind kind = EntryKind::Missing;
  std::int64_t size = 0;
  long double modifiedMs = 0;  // milliseconds since 1970, fractions kept
};

class Folder {
 public:
  // `path` opened as a folder; a link as `path` is followed only when `followLink`.
  static StatusOr<Folder> open(const std::string& path, bool followLink);

  // The folder `name` inside this one (a link is not followed).
  StatusOr<Folder> child(const char* name) const;

  // Each entry ("." and ".." left out) in the file system's order, read as
  // the listing goes, from its start at every call: `name` is valid only
  // during the call. Fails when the listing cannot be read to its end; every
  // walk then treats the folder as unreadable, nothing from it counted, so
  // that a half-read folder never passes for a whole one.
  Status forEach(const std::function<void(const char* name, EntryKind kind)>& visit) const;

  // The facts of `name`, of what it leads to when `followLink`.
  std::optional<FileFacts> facts(const char* name, bool followLink) const;

  // The facts of `name` and, when it is a regular file, its bytes in `bytes`
  // (their memory reused): all of them when it is at most `whole` bytes long,
  // else the first `start`. One open, one stat and, for a small file, one
  // read. Nothing when it cannot be opened, a link included (never
  // followed); `read` is false when it is no regular file or could not be read.
  std::optional<FileFacts> read(const char* name, std::size_t whole, std::size_t start, std::string& bytes,
                                bool& read) const;

  // `name` open for reading when it is a regular file: never a link followed,
  // never a FIFO waited on. Otherwise `fd` is not valid and `st` says what is there.
  StatusOr<OpenedFile> openFile(const char* name) const;

 private:
  explicit Folder(UniqueFd fd) : fd_(std::move(fd)) {}
  UniqueFd fd_;
};

// The names in `folder` (hidden ones too), in the file system's order; none
// when it cannot be read.
std::vector<std::string> namesIn(const std::string& folder);

// The first `limit` bytes (or fewer) of `path` when it is a regular file (a
// link to one is followed); nothing for anything else, which is never waited
// on: a FIFO or a device is not even read.
std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit);

// The facts of `path` itself (a link not followed unless `followLink`).
std::optional<FileFacts> factsOf(const std::string& path, bool followLink);

}  // namespace velmorin::platform
