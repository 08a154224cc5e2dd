// Any address the page could ask the custom scheme for: the relative path has
// no "." or ".." segment and no NUL, and any file served lies inside the page
// folder once every link is resolved, even with links that lead out of it.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/ui_files.h"

namespace fs = std::filesystem;

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

struct Folders {
  fs::path base;  // holds the page folder and a secret beside it
  fs::path root;  // the page folder
  std::string realRoot;
};

const Folders& folders() {
  static const Folders f = [] {
    char pattern[] = "/tmp/velmorin-fuzz-ui-XXXXXX";
    Folders made;
    made.base = mkdtemp(pattern);
    made.root = made.base / "ui";
    fs::create_directories(made.root / "css");
    fs::create_directories(made.base / "outside");
    for (const char* name : {"ui/index.html", "ui/css/a.css", "ui/a b.js", "ui/%41.txt", "outside/secret.txt"})
      std::ofstream(made.base / name) << name;
    // Links that stay inside, leave the folder, loop, or dangle.
    fs::create_symlink("index.html", made.root / "home.html");
    fs::create_symlink("../outside/secret.txt", made.root / "secret.html");
    fs::create_symlink(made.base / "outside", made.root / "out");
    fs::create_directory_symlink("..", made.root / "up");
    fs::create_symlink("loop2", made.root / "loop1");
    fs::create_symlink("loop1", made.root / "loop2");
    fs::create_symlink("missing", made.root / "dangling.html");
    char real[PATH_MAX];
    check(realpath(made.root.c_str(), real) != nullptr);
    made.realRoot = real;
    static const fs::path cleanup = made.base;
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(cleanup, ignored);
    });
    return made;
  }();
  return f;
}

// The file's real location, by the C library rather than std::filesystem.
void checkServed(const std::optional<fs::path>& file) {
  if (!file) return;
  char real[PATH_MAX];
  check(realpath(file->c_str(), real) != nullptr);
  const std::string resolved = real;
  check(resolved.size() > folders().realRoot.size() + 1);
  check(resolved.compare(0, folders().realRoot.size() + 1, folders().realRoot + "/") == 0);
  check(fs::is_regular_file(resolved));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // As the tail of a page address, as a whole address, and as a relative path.
  for (const std::string& uri : {std::string("velmorin://ui/") + text, text}) {
    const auto relative = velmorin::shell::uiRelativePath(uri);
    if (!relative) continue;
    check(!relative->empty() && relative->front() != '/' && relative->find('\0') == std::string::npos);
    for (const auto& part : fs::path(*relative)) check(part != "." && part != "..");
    checkServed(velmorin::shell::fileInside(folders().root, *relative));
  }
  checkServed(velmorin::shell::fileInside(folders().root, text));
  (void)velmorin::shell::mimeTypeFor(text);
  return 0;
}
