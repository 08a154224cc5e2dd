#include "commands/backup_file.h"

#include "platform/folder.h"

namespace velmorin {

StatusOr<std::optional<platform::OpenedFile>> openFileAt(const std::filesystem::path& path) {
  auto folder = TRY_VALUE(platform::Folder::open(path.parent_path().string(), true));
  auto opened = TRY_VALUE(folder.openFile(path.filename().c_str()));
  if (!opened.fd.valid()) return std::optional<platform::OpenedFile>();
  return std::optional<platform::OpenedFile>(std::move(opened));
}

StatusOr<std::optional<platform::OpenedFile>> openBackup(const std::filesystem::path& path) {
  auto opened = TRY_VALUE(openFileAt(path));
  if (opened && !platform::startsLikeZip(opened->fd.get())) opened.reset();
  return opened;
}

platform::ZipFault forEachBackupEntry(
    const platform::OpenedFile& backup,
    const std::function<bool(const platform::ZipEntry& entry, const platform::ZipEntryReader& data)>& visit,
    const platform::ZipLimits& limits) {
  return platform::forEachZipEntry(backup.fd.get(), static_cast<std::uint64_t>(backup.st.st_size), limits, visit);
}

}  // namespace velmorin
