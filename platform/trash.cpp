#include "platform/trash.h"

#include <gio/gio.h>

namespace velmorin::platform {

bool moveToTrash(const std::filesystem::path& path) {
  // The local file system directly: no GIO modules loaded, no daemon asked.
  GFile* file = g_vfs_get_file_for_path(g_vfs_get_local(), path.c_str());
  GError* error = nullptr;
  const bool moved = g_file_trash(file, nullptr, &error);
  if (error) g_error_free(error);
  g_object_unref(file);
  return moved;
}

}  // namespace velmorin::platform
