#include "commands/install_check.h"

#include <exception>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "commands/program_header.h"
#include "vocabulary/text.h"
#include "platform/fault_hook.h"
#include "platform/file_checks.h"
#include "platform/file_compare.h"
#include "platform/folder.h"
#include "platform/zip_reader.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

Status differs(const fs::path& copy) {
  return Status::said(Problem::Failed, FailureText::CopyDoesNotMatch, {copy});
}

Status badArchive(const fs::path& archive) {
  return Status::said(Problem::Failed, FailureText::ArchiveDidNotReadBack, {archive});
}

// The copy is read once: a program whose checksum holds needs only its header
// compared with the source's; anything else is compared with its source
// (read once too). `bytes` is the walk's buffer.
Status checkFile(const platform::Folder& folder, const char* name, const fs::path& source, const fs::path& copy,
                 const fs::path& shown, std::string& bytes) {
  bool read = false;
  const auto facts = folder.read(name, kCheckedFileLimit, 0, bytes, read);
  if (!facts || facts->kind != platform::EntryKind::File) return differs(shown);
  const auto size = static_cast<std::uint64_t>(facts->size);
  if (read && bytes.size() == size && size <= kCheckedFileLimit) {
    if (size >= kHeaderBytes && checkProgram(lowerExtension(name), bytes, size).check == Verdict::Ok) {
      // The checksum covers what follows the header; the header itself (the
      // program's slot and category among it) is compared with the source's.
      const auto same = platform::beginsWith(source, std::string_view(bytes).substr(0, kHeaderBytes));
      return same && *same ? Status() : differs(shown);
    }
    const auto same = platform::holds(source, bytes);
    return same && *same ? Status() : differs(shown);
  }
  return checkCopiedFile(source, copy, shown, nullptr);
}

// Files are checked as the listing is read; only sub-folders' names are held.
// Failures name a copy by `shown`, where it will be, not by its temporary place.
Status checkFolder(const fs::path& source, const fs::path& copy, const fs::path& shown, std::string& bytes,
                   const platform::WorkControl* control) {
  const auto folder = platform::Folder::open(copy.string(), false);
  if (!folder) return failureFor(Action::Read, copy, folder.status());
  std::vector<std::string> subfolders;
  Status status;
  TRY(folder->forEach([&](const char* name, platform::EntryKind kind) {
    if (!status) return;
    if (platform::isCancelled(control)) {
      status = Status::cancelled();
      return;
    }
    if (kind == platform::EntryKind::Folder) {
      subfolders.emplace_back(name);
    } else if (kind == platform::EntryKind::File) {  // links inside a copied folder stay links
      status = checkFile(*folder, name, source / name, copy / name, shown / name, bytes);
    } else if (kind == platform::EntryKind::Missing) {
      status = differs(shown / name);
    }
  }));
  TRY(status);
  for (const std::string& name : subfolders)
    TRY(checkFolder(source / name, copy / name, shown / name, bytes, control));
  return Status();
}

}  // namespace

CopyCheck::CopyCheck(fs::path source, fs::path copy, fs::path shown, const platform::WorkControl* control) {
  platform::faultPoint("install-check");
  const auto compare = [this, source = std::move(source), copy = std::move(copy), shown = std::move(shown), control] {
    try {
      std::string bytes;
      status_ = checkFolder(source, copy, shown, bytes, control);
    } catch (const std::exception& e) {  // never out of the thread
      status_ = Status::said(Problem::Failed, FailureText::CopiesNotChecked, {e.what()});
    }
  };
  try {
    thread_ = std::thread(compare);
  } catch (const std::system_error&) {
    compare();  // no thread to spare: at once
  }
}

CopyCheck::~CopyCheck() {
  if (thread_.joinable()) thread_.join();
}

Status CopyCheck::result() {
  if (thread_.joinable()) thread_.join();
  return status_;
}

Status checkCopiedFile(const fs::path& source, const fs::path& copy, const fs::path& shown,
                       platform::WorkControl* control) {
  const auto same = platform::sameContent(source, copy, control);
  if (!same && same.status().problem() == Problem::Cancelled) return same.status();
  if (!same || !*same) return differs(shown);
  return Status();
}

Status checkCopiedItem(const fs::path& source, const fs::path& copy, const fs::path& shown,
                       platform::WorkControl* control) {
  if (platform::kindOf(copy) != platform::EntryKind::Folder) return checkCopiedFile(source, copy, shown, control);
  std::string bytes;
  return checkFolder(source, copy, shown, bytes, control);
}

Status checkArchive(const fs::path& archive, std::uint64_t files, const fs::path& shownAs,
                    platform::WorkControl* control) {
  platform::faultPoint("archive-check");
  const auto read = platform::verifyZipEntries(archive, control);
  if (!read && read.status().problem() == Problem::Cancelled) return read.status();
  if (!read || *read != files) return badArchive(shownAs);
  return Status();
}

}  // namespace velmorin
