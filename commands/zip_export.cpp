#include "vocabulary/language.h"
#include "commands/commands.h"
#include "platform/change_journal.h"
#include "platform/file_checks.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
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
  if (platform::kindOf(archive) == platform::EntryKind::Folder) {
    return failed(spanish(values) ? "Hay una carpeta llamada \"Velmorin.zip\" en " + inQuotes(values.DESKTOP) +
                                        ", donde va el archivo comprimido. Cámbiale el nombre o muévela."
                                  : "A folder named \"Velmorin.zip\" stands where the archive goes, in " +
                                        inQuotes(values.DESKTOP) + ". Rename or move that folder.");
  }

  const auto made = platform::makeFolders(values.DESKTOP);
  if (!made) return failed(made.error());
  if (Status writable = platform::checkWritable(values.DESKTOP); !writable) return failed(writable.error());

  // Zips take turns, so that what a killed one left can be finished or cleared.
  platform::FolderLock lock(values.DESKTOP);
  const auto settled = platform::ChangeJournal::settle(values.DESKTOP);
  if (!settled) return failed(settled.error());
  platform::removeLeftovers(values.DESKTOP, ".Velmorin.zip.", ".part");  // an earlier version's

  const platform::Replacement item{"", platform::temporaryName(), archive.filename().string()};
  platform::ChangeJournal journal(values.DESKTOP);
  if (Status prepared = journal.prepare({item}); !prepared) return failed(prepared.error());
  if (Status written = platform::writeZipFile(platform::absolutePath(path), values.DESKTOP / item.temporary,
                                              platform::ZipLayout::FolderAtTop, archive, {journal.file()});
      !written) {
    journal.abandon();
    return failed(written.error());
  }
  const auto trashed = journal.commit();
  if (!trashed) return failed(trashed.error());
  return {{"ok", true}, {"path", archive.string()}, {"bytes", folderSize(archive)}, {"trashed", *trashed}};
}

}  // namespace velmorin
