#include "platform/trash.h"

#include <dlfcn.h>

#include <mutex>

namespace velmorin::platform {

namespace {

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

}  // namespace

bool moveToTrash(const std::filesystem::path& path) {
  const Gio& g = gio();
  if (!g.ready()) return false;
  // One at a time: GLib is thread-safe, but its locks are futexes that the
  // thread sanitizer cannot see, and a trash move is a quick rename.
  static std::mutex oneAtATime;
  const std::lock_guard lock(oneAtATime);
  // The local file system directly: no GIO modules loaded, no daemon asked.
  Gio::File file = g.vfsGetFileForPath(g.vfsGetLocal(), path.c_str());
  if (!file) return false;
  Gio::Error* error = nullptr;
  const bool moved = g.fileTrash(file, nullptr, &error) != 0;
  if (error) g.errorFree(error);
  g.objectUnref(file);
  return moved;
}

}  // namespace velmorin::platform
