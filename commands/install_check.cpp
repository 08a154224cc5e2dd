#include "commands/install_check.h"

#include <string>
#include <vector>

#include "commands/program_header.h"
#include "vocabulary/text.h"
#include "platform/fault_hook.h"
#include "platform/file_compare.h"
#include "platform/folder.h"
#include "platform/zip_reader.h"

namespace velmorin {

namespace {

Status differs(const fs::path& copy) {
  return Status::failure(Problem::Failed,
                         "The copy " + inQuotes(copy) + " does not match its original. Nothing was changed; try again, "
                                                        "and if it happens again, check the destination disk.",
                         "La copia " + inQuotes(copy) + " no coincide con su original. No se ha cambiado nada; "
                                                        "vuelve a intentarlo y, si se repite, revisa el disco de destino.");
}

Status badArchive(const fs::path& archive) {
  return Status::failure(Problem::Failed,
                         "The new archive " + inQuotes(archive) + " did not read back whole. Nothing was changed; "
                                                                   "try again, and if it happens again, check the destination disk.",
                         "El nuevo archivo ZIP " + inQuotes(archive) + " no se pudo volver a leer entero. No se ha "
                                                                        "cambiado nada; vuelve a intentarlo y, si se repite, revisa el disco de destino.");
}

// Whether the copied file carries a checksum that matches its content.
bool checksumHolds(const fs::path& copy, std::int64_t size) {
  if (size < static_cast<std::int64_t>(kHeaderBytes) || static_cast<std::uint64_t>(size) > kCheckedFileLimit) return false;
  const auto bytes = platform::readRegularFile(copy.string(), static_cast<std::size_t>(size));
  if (!bytes) return false;
  const ProgramCheck check = checkProgram(lowerExtension(copy.filename().string()), *bytes, bytes->size());
  return check.check == "ok";
}

Status checkFile(const fs::path& source, const fs::path& copy, std::int64_t size, platform::WorkControl* control) {
  if (!checksumHolds(copy, size)) TRY(checkCopiedFile(source, copy, control));
  platform::advance(control, 1, static_cast<std::uint64_t>(size));
  return Status();
}

// Files are checked as the listing is read; only sub-folders' names are held.
Status checkFolder(const fs::path& source, const fs::path& copy, platform::WorkControl* control) {
  const auto folder = platform::Folder::open(copy.string(), false);
  if (!folder) return failureFor("read", copy, folder.status());
  std::vector<std::string> subfolders;
  Status status;
  TRY(folder->forEach([&](const char* name, platform::EntryKind) {
    if (!status) return;
    if (platform::isCancelled(control)) {
      status = Status::cancelled();
      return;
    }
    const auto facts = folder->facts(name, false);
    if (!facts) {
      status = differs(copy / name);
    } else if (facts->kind == platform::EntryKind::Folder) {
      subfolders.emplace_back(name);
    } else if (facts->kind == platform::EntryKind::File) {  // links inside a copied folder stay links
      status = checkFile(source / name, copy / name, facts->size, control);
    }
  }));
  TRY(status);
  for (const std::string& name : subfolders) TRY(checkFolder(source / name, copy / name, control));
  return Status();
}

}  // namespace

Status checkCopy(const fs::path& source, const fs::path& copy, platform::WorkControl* control) {
  platform::faultPoint("install-check");
  return checkFolder(source, copy, control);
}

Status checkCopiedFile(const fs::path& source, const fs::path& copy, platform::WorkControl* control) {
  const auto same = platform::sameContent(source, copy, control);
  if (!same && same.status().problem() == Problem::Cancelled) return same.status();
  if (!same || !*same) return differs(copy);
  return Status();
}

Status checkArchive(const fs::path& archive, std::uint64_t files, const fs::path& shownAs,
                    platform::WorkControl* control) {
  std::uint64_t read = 0;
  Status failure;
  const Status listed =
      platform::forEachZipEntry(archive, [&](const platform::ZipEntry&, const platform::ZipEntryReader& data) {
        if (platform::isCancelled(control)) {
          failure = Status::cancelled();
          return false;
        }
        const auto bytes = data.drain();
        if (!bytes) {
          failure = badArchive(shownAs);
          return false;
        }
        ++read;
        platform::advance(control, 1, *bytes);
        return true;
      });
  if (!failure) return failure;
  if (!listed || read != files) return badArchive(shownAs);
  return Status();
}

}  // namespace velmorin
