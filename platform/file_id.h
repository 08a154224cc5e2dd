#pragma once
// Which file a stat describes, whatever name it was reached by: for leaving
// out of a copy or an archive the very files it writes.
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace velmorin::platform {

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
