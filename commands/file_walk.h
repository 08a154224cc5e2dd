#pragma once
// A walk of folder trees for files of some kinds, in the maker's backups and
// bundles too, as the library walks them: links never followed, hidden and
// package folders left out, six levels down, names that are not UTF-8 passed over.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/work_control.h"

namespace velmorin {

struct WalkedFile {
  std::string path;    // the file; for one inside a backup, its entry's name there
  std::string inside;  // the backup's path, or ""
  std::string extension;
  std::uint64_t size = 0;  // as the file or the backup's directory says
  std::string bytes;       // its first bytes, as many as asked for
  bool damaged = false;    // inside a backup: its entry could not be read whole
};

struct WalkWants {
  std::function<bool(std::string_view extension)> wanted;   // lower case
  std::function<std::size_t(std::string_view extension)> bytesOf;  // how many of a file's first bytes to read
};

// Every wanted file beneath `roots`, sorted by backup then path; stops early
// when `control` is cancelled (the caller checks).
std::vector<WalkedFile> walkFiles(const std::vector<std::string>& roots, const WalkWants& wants,
                                  platform::WorkControl* control);

}  // namespace velmorin
