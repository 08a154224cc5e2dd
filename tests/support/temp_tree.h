#pragma once
// Real files in a throw-away folder, for tests.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace velmorin::testing {

namespace fs = std::filesystem;

class TempTree {
 public:
  TempTree() {
    std::string pattern = (fs::temp_directory_path() / "velmorin-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
  }
  ~TempTree() {
    std::error_code ec;
    // Give back any permission a test took away, so the tree can go.
    for (auto it = fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
      if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
    fs::remove_all(root_, ec);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const fs::path& root() const { return root_; }
  fs::path operator/(const fs::path& relative) const { return root_ / relative; }

  // Writes `bytes` to root/relative, making its folders; `mtimeMs` sets the
  // modification time in milliseconds since 1970 when not negative.
  fs::path file(const fs::path& relative, const std::string& bytes = "x", long long mtimeMs = -1) const {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    if (mtimeMs >= 0) setTime(path, mtimeMs);
    return path;
  }

  fs::path folder(const fs::path& relative) const {
    const fs::path path = root_ / relative;
    fs::create_directories(path);
    return path;
  }

  static void setTime(const fs::path& path, long long mtimeMs) {
    timespec times[2];
    times[0].tv_sec = times[1].tv_sec = mtimeMs / 1000;
    times[0].tv_nsec = times[1].tv_nsec = (mtimeMs % 1000) * 1000000;
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }

 private:
  fs::path root_;
};

// The whole content of a file; empty when it cannot be read.
inline std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes past `bytes` fail with EFBIG in this process while this lives: a
// full disk that even root cannot ignore.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    signal_ = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  struct rlimit saved_ {};
  sighandler_t signal_;
};

// Runs a shell command line and gives its standard output.
inline std::string commandOutput(const std::string& commandLine, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(commandLine.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, got);
  const int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

// A path as one single-quoted shell word.
inline std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace velmorin::testing
