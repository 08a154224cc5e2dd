#include "platform/trash.h"
#include "platform/whole_io.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include <mutex>

namespace velmorin::platform {

namespace {

namespace fs = std::filesystem;

// GIO is opened when something is first trashed, not when the program starts:
// with its dependencies it would make up most of the command line's start-up
// (--version, a scan), which never needs it. Its API is C and stable.
struct Gio {
  using Vfs = void*;
  using File = void*;
  struct Error {
    unsigned domain;
    int code;
    char* message;
  };
  Vfs (*vfsGetLocal)() = nullptr;
  File (*vfsGetFileForPath)(Vfs, const char*) = nullptr;
  int (*fileTrash)(File, void* cancellable, Error** error) = nullptr;
  void (*errorFree)(Error*) = nullptr;
  void (*objectUnref)(void*) = nullptr;

  bool ready() const { return vfsGetLocal && vfsGetFileForPath && fileTrash && errorFree && objectUnref; }
};

const Gio& gio() {
  static Gio loaded;
  static std::once_flag once;
  std::call_once(once, [] {
    void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return;  // no GIO: no Trash, replaced items are removed
    Gio g;
    g.vfsGetLocal = reinterpret_cast<decltype(g.vfsGetLocal)>(dlsym(library, "g_vfs_get_local"));
    g.vfsGetFileForPath = reinterpret_cast<decltype(g.vfsGetFileForPath)>(dlsym(library, "g_vfs_get_file_for_path"));
    g.fileTrash = reinterpret_cast<decltype(g.fileTrash)>(dlsym(library, "g_file_trash"));
    g.errorFree = reinterpret_cast<decltype(g.errorFree)>(dlsym(library, "g_error_free"));
    g.objectUnref = reinterpret_cast<decltype(g.objectUnref)>(dlsym(library, "g_object_unref"));
    if (g.ready()) loaded = g;
  });
  return loaded;
}

// The home Trash ($XDG_DATA_HOME/Trash), where nearly everything the application
// replaces goes, is filled here rather than by GIO: GIO numbers a clashing name
// before its first dot, which puts the number inside a folder's brackets
// ("Programs (.2.ns3f)"). Here the number goes before the extension ("x 2.zip") or,
// when the name ends in brackets or has no extension, at its end ("Programs
// (.ns3f) 2"). Nothing at all when `path` is on another volume: its Trash is there.
std::string numberedName(const std::string& name, int number) {
  if (number == 1) return name;
  const std::string tag = " " + std::to_string(number);
  const auto dot = name.rfind('.');
  const bool extension = dot != std::string::npos && dot > 0 && name.find_first_of(") ", dot) == std::string::npos;
  return extension ? name.substr(0, dot) + tag + name.substr(dot) : name + tag;
}

fs::path homeTrash() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return fs::path(data) / "Trash";
  const char* home = std::getenv("HOME");
  return home && home[0] == '/' ? fs::path(home) / ".local/share/Trash" : fs::path();
}

// A path as the Trash's info file writes it: bytes other than unreserved ones and "/" as %XX.
std::string escapedPath(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-_.~!*'()", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string deletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// Moved, not moved, or not this Trash's to take (nullopt).
std::optional<Status> moveToHomeTrash(const fs::path& path) {
  const fs::path trash = homeTrash();
  if (trash.empty()) return std::nullopt;
  std::error_code ec;
  fs::create_directories(trash / "files", ec);
  fs::create_directories(trash / "info", ec);
  ::chmod(trash.c_str(), 0700);
  struct stat item{}, files{};
  if (::lstat(path.c_str(), &item) != 0) return Status::fromErrno(errno);
  if (::stat((trash / "files").c_str(), &files) != 0 || files.st_dev != item.st_dev) return std::nullopt;
  const fs::path absolute = fs::absolute(path, ec).lexically_normal();
  if (ec || absolute.filename().empty()) return Status::fromErrno(ec ? ec.value() : EINVAL);
  const std::string name = absolute.filename().string();
  const std::string info = "[Trash Info]\nPath=" + escapedPath(absolute.string()) + "\nDeletionDate=" + deletionDate() + "\n";
  for (int number = 1; number < 10'000; ++number) {
    const std::string candidate = numberedName(name, number);
    const fs::path infoFile = trash / "info" / (candidate + ".trashinfo");
    // The info file is the claim on the name: made first, exclusively.
    const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return Status::fromErrno(errno);
    int err = writeUntilDone(fd, info.data(), info.size());
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    const bool written = err == 0;
    ::close(fd);
    struct stat taken{};
    if (!written || ::lstat((trash / "files" / candidate).c_str(), &taken) == 0) {
      ::unlink(infoFile.c_str());
      if (!written) return Status::fromErrno(err);
      continue;  // an item without its info file holds this name
    }
    if (::rename(path.c_str(), (trash / "files" / candidate).c_str()) == 0) return Status();
    err = errno;
    ::unlink(infoFile.c_str());
    return Status::fromErrno(err);
  }
  return Status::fromErrno(EEXIST);
}

}  // namespace

Status moveToTrash(const std::filesystem::path& path) {
  if (auto moved = moveToHomeTrash(path)) return std::move(*moved);
  const Gio& g = gio();
  if (!g.ready()) return Status::fromErrno(ENOTSUP);
  // One at a time: GLib is thread-safe, but its locks are futexes that the
  // thread sanitizer cannot see, and a trash move is a quick rename.
  static std::mutex oneAtATime;
  const std::lock_guard lock(oneAtATime);
  // The local file system directly: no GIO modules loaded, no daemon asked.
  Gio::File file = g.vfsGetFileForPath(g.vfsGetLocal(), path.c_str());
  if (!file) return Status::fromErrno(ENOTSUP);
  Gio::Error* error = nullptr;
  const bool moved = g.fileTrash(file, nullptr, &error) != 0;
  Status result;
  if (!moved)
    result = error ? Status::described(Problem::Failed, error->message) : Status::because(Problem::Failed, Reason::NoTrash);
  if (error) g.errorFree(error);
  g.objectUnref(file);
  return result;
}

}  // namespace velmorin::platform
