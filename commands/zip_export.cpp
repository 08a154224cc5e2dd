#include "vocabulary/language.h"
#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "platform/change_journal.h"
#include "platform/file_checks.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/zip_writer.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

Reply zip(const Values& values, const std::string& path, platform::WorkControl* control) {
  const std::filesystem::path archive = values.DESKTOP / "Velmorin.zip";
  const bool es = spanish(values);
  // The earlier archive stays in place when this call makes none.
  const auto failed = [&](const Status& failure) -> Reply {
    Reply reply = failureReply(failure, es);
    reply["path"] = archive.string();
    reply["bytes"] = 0;
    return reply;
  };
  if (path.empty())
    return failed(Status::said(Problem::Invalid, FailureText::NoFolderToPack));
  if (path.find('\0') != std::string::npos)
    return failed(Status::said(Problem::Invalid, FailureText::FolderNotValid, {path}));
  if (platform::kindOf(archive) == platform::EntryKind::Folder) {
    return failed(Status::said(Problem::Invalid, FailureText::FolderWhereZipGoes, {values.DESKTOP}));
  }

  const auto made = platform::makeFolders(values.DESKTOP);
  if (!made) return failed(made.status());
  if (Status writable = platform::checkWritable(values.DESKTOP); !writable) return failed(writable);
  const fs::path source = platform::absolutePath(path);
  if (control) {
    // Counted first only for a watcher, who sees "n of m files".
    control->begin(platform::WorkPhase::Archive);
    const TreeSize size = treeSize(source);
    control->begin(platform::WorkPhase::Archive, static_cast<std::uint64_t>(size.files),
                   static_cast<std::uint64_t>(size.bytes));
  }
  if (platform::isCancelled(control)) return failed(Status::cancelled());

  // Zips take turns, so that what a killed one left can be finished or cleared.
  platform::FolderLock lock(values.DESKTOP);
  const auto settled = platform::ChangeJournal::settle(values.DESKTOP);
  if (!settled) return failed(settled.status());
  platform::removeLeftovers(values.DESKTOP, ".Velmorin.zip.", ".part");  // an earlier version's

  const platform::Replacement item{"", platform::temporaryName(), archive.filename().string()};
  platform::ChangeJournal journal(values.DESKTOP);
  if (Status prepared = journal.prepare({item}); !prepared) return failed(prepared);
  Status written = platform::writeZipFile(source, values.DESKTOP / item.temporary, platform::ZipLayout::FolderAtTop,
                                          archive, {journal.file()}, control);
  if (written && platform::isCancelled(control)) written = Status::cancelled();
  if (!written) {
    journal.abandon();
    return failed(written);
  }
  // Said in the reply: packing a second folder replaces the first one's archive.
  const bool replaced = platform::kindOf(archive) != platform::EntryKind::Missing;
  const auto trashed = journal.commit();
  if (!trashed) return failed(trashed.status());
  return {{"ok", true}, {"path", archive.string()}, {"bytes", folderSize(archive)}, {"trashed", *trashed},
          {"replaced", replaced}};
}

}  // namespace velmorin
