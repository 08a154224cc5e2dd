#include <sys/stat.h>

#include <system_error>

#include "app/language.h"
#include "commands/commands.h"
#include "commands/nsm.h"
#include "platform/disk_space.h"

namespace velmorin {

namespace {
bool isFolder(const std::filesystem::path& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const char* platformName() {
#ifdef __APPLE__
  return "mac";
#else
  return "linux";
#endif
}
}  // namespace

Reply info(const Values& values) {
  const auto nsm = findNSM(values);
  const bool icloudFound = isFolder(values.ICLOUD);
  const auto dest = icloudFound ? values.ICLOUD / "Velmorin" : values.DESKTOP / "Velmorin";
  const char* destLabel = icloudFound           ? "iCloud Drive \u203a Velmorin"
                          : spanish(values) ? "Escritorio \u203a Velmorin"
                                                : "Desktop \u203a Velmorin";
  return {
      {"os", platformName()},
      {"nsm", {{"found", nsm.has_value()}, {"name", nsm ? nsm->name : std::string()}}},
      {"icloud", {{"found", icloudFound}, {"path", icloudFound ? values.ICLOUD.string() : std::string()}}},
      {"diskFree", static_cast<std::int64_t>(platform::freeBytes(values.HOME))},
      {"exportDir", values.EXPORT_DIR.string()},
      {"dest", dest.string()},
      {"destLabel", destLabel},
      {"destCloud", icloudFound},
  };
}

Reply prepare(const Values& values) {
  // The page learns nothing either way: an existing or unwritable folder is no error here.
  std::error_code ignored;
  std::filesystem::create_directories(values.EXPORT_DIR, ignored);
  return {{"ok", true}};
}

}  // namespace velmorin
