#pragma once
// Real files in fresh temporary folders, and a shell for independent readers.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_tree.h"

namespace velmorin::test {

namespace fs = std::filesystem;

class TempFolder {
 public:
  explicit TempFolder(const fs::path& parent = fs::temp_directory_path()) {
    std::string pattern = (parent / "velmorin-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;  // tests leave read-only folders behind
    for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
      if (it->is_directory(ignored) && !it->is_symlink(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const fs::path& name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline void writeFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Bytes that do not compress, so that archives span many chunks.
inline std::string noise(std::size_t size) {
  std::mt19937 random(size);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

inline void setModified(const fs::path& path, time_t seconds, long nanoseconds = 0) {
  const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// The names in a folder, sorted.
inline std::vector<std::string> listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output only
};

inline CommandResult run(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string shellQuoted(const fs::path& path) {
  std::string quoted = "'";
  for (const char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

using FileSizeLimit = testing::FileSizeLimit;

// Acts as the user "nobody" (when running as root) until destroyed, so that
// permission bits apply. chmod calls on root's files must come before.
class WithoutRoot {
 public:
  WithoutRoot() {
    if (geteuid() != 0 || setegid(65534) != 0) return;
    dropped_ = seteuid(65534) == 0;
    if (!dropped_ && setegid(0) != 0) abort();
  }
  ~WithoutRoot() {
    if (dropped_ && (seteuid(0) != 0 || setegid(0) != 0)) abort();  // later tests would be meaningless
  }
  bool active() const { return geteuid() != 0; }

 private:
  bool dropped_ = false;
};

}  // namespace velmorin::test
