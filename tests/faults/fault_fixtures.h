#pragma once
// Real faults for the commands: small and read-only file systems, another
// user's permissions, and processes killed mid-way.
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <random>
#include <set>

#include "vocabulary/json_text.h"
#include "support/temp_tree.h"

namespace velmorin::testing {

// A tmpfs of a given size mounted on a fresh folder, unmounted at the end.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& size) {
    std::string pattern = (fs::temp_directory_path() / "velmorin-disk-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return;
    path_ = pattern;
    mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, ("size=" + size + ",mode=0777").c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
    if (!path_.empty()) rmdir(path_.c_str());
  }
  bool mounted() const { return mounted_; }
  const fs::path& path() const { return path_; }
  bool makeReadOnly() const {
    return mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  fs::path path_;
  bool mounted_ = false;
};

// Bytes that deflate cannot shrink, so sizes on disk are predictable.
inline std::string incompressible(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Like a real preset: some structure, some noise.
inline std::string presetLike(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 7 == 0 ? random() : i % 64);
  return bytes;
}

// Names of the entries directly in a folder.
inline std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    names.insert(it->path().filename().string());
  return names;
}

// Runs the real program with `arguments` (already shell-quoted) and HOME set.
inline Reply runCommand(const fs::path& home, const std::string& arguments, const std::string& prefix = "") {
  int status = 0;
  const std::string out = commandOutput(prefix + " env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 XDG_CONFIG_HOME= XDG_DATA_HOME= HOME=" +
                                            shellQuote(home.string()) + " " VELMORIN_BINARY " " + arguments + " 2>&1",
                                        &status);
  // A failure's own line on standard error follows the reply; anything else
  // there (a sanitizer's report) leaves the output unparsed.
  const std::size_t told = out.find("\nvelmorin-sync: ");
  const bool toldOnce = told != std::string::npos && out.find('\n', told + 1) == out.size() - 1;
  const auto reply = parseJson(toldOnce ? out.substr(0, told) : out);
  return reply ? *reply : Reply{{"unparsed", out}, {"status", status}};
}

}  // namespace velmorin::testing
