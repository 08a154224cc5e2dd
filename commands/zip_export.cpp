#include <system_error>

#include "commands/commands.h"
#include "commands/scan_roots.h"
#include "platform/folder_lock.h"
#include "platform/status.h"
#include "platform/zip_writer.h"

namespace velmorin {

Reply zip(const Values& values, const std::string& path) {
  const std::filesystem::path archive = values.DESKTOP / "Velmorin.zip";
  // The earlier archive stays in place when this call makes none.
  const auto failed = [&](const std::string& error) -> Reply {
    return {{"ok", false}, {"path", archive.string()}, {"bytes", 0}, {"error", error}};
  };
  if (path.empty()) return failed("No folder was given to pack.");
  if (path.find('\0') != std::string::npos) return failed("The folder " + inQuotes(path) + " is not a valid path.");

  std::error_code ec;
  std::filesystem::create_directories(values.DESKTOP, ec);
  if (ec) return failed(failureFor("create folder", values.DESKTOP, ec.value()).error());

  // Zips take turns, so that what a killed one left half-written can be cleared.
  platform::FolderLock lock(values.DESKTOP);
  platform::removeUnfinishedArchives(archive);
  if (Status written = platform::writeZipArchive(absolutePath(path), archive, platform::ZipLayout::FolderAtTop);
      !written)
    return failed(written.error());
  return {{"ok", true}, {"path", archive.string()}, {"bytes", folderSize(archive)}};
}

}  // namespace velmorin
