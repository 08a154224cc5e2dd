#include "commands/restore_source.h"

#include <unordered_map>

#include "commands/backup_file.h"
#include "vocabulary/failure_words.h"
#include "vocabulary/text.h"
#include "platform/folder.h"
#include "platform/zip_entries.h"

namespace velmorin {

namespace {

Status notABackup(const RestoreRequest& request) {
  return Status::said(Problem::Invalid, FailureText::BackupNotZip, {request.from});
}

StatusOr<std::vector<ChosenBytes>> readFromBackup(const RestoreRequest& request, const std::vector<std::string>& entries,
                                                  platform::WorkControl* control) {
  const auto opened = openBackup(request.from);
  if (!opened) return failureFor(Action::Read, request.from, opened.status());
  if (!*opened) return notABackup(request);

  std::vector<ChosenBytes> chosen(entries.size());
  std::vector<bool> seen(entries.size(), false);
  std::unordered_map<std::string, std::size_t> wanted;
  for (std::size_t i = 0; i < entries.size(); ++i) wanted.emplace(entries[i], i);
  std::uint64_t spent = 0;
  const platform::ZipLimits limits{50'000, 16u << 20, kRestoreBytes};
  const platform::ZipFault fault = forEachBackupEntry(
      **opened,
      [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
        const auto found = wanted.find(entry.name);
        // An archive may record one name twice: the first is the one the library showed.
        if (found == wanted.end() || seen[found->second]) return !platform::isCancelled(control);
        const std::size_t at = found->second;
        seen[at] = true;
        ChosenBytes& result = chosen[at];
        if (entry.size > kRestoreBytes - spent) {
          result.refusal = Refusal::TooLarge;
          return !platform::isCancelled(control);
        }
        const auto problem = data.read(static_cast<std::size_t>(entry.size), result.bytes);
        spent += result.bytes.size();
        if (problem == platform::EntryProblem::OverLimit) result.refusal = Refusal::TooLarge;
        else if (problem != platform::EntryProblem::None || result.bytes.size() != entry.size)
          result.refusal = Refusal::Damaged;
        if (result.refusal) result.bytes.clear();
        platform::advance(control, 1, result.bytes.size());
        return !platform::isCancelled(control);
      },
      limits);
  if (platform::isCancelled(control)) return Status::cancelled();
  // What the archive could not show was never read: damaged when the archive is.
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (!seen[i]) chosen[i].refusal = fault == platform::ZipFault::None ? Refusal::Missing : Refusal::Damaged;
  return chosen;
}

// The regular file `entry` below the open folder `top`, reached without
// following a link at any step.
ChosenBytes readFromFolder(const platform::Folder& top, const std::string& entry, std::uint64_t& spent) {
  ChosenBytes result;
  std::optional<platform::Folder> below;
  const platform::Folder* folder = &top;
  std::size_t start = 0;
  for (std::size_t slash; (slash = entry.find('/', start)) != std::string::npos; start = slash + 1) {
    auto child = folder->child(entry.substr(start, slash - start).c_str());
    if (!child) {
      result.refusal = Refusal::Missing;
      return result;
    }
    below.emplace(std::move(*child));
    folder = &*below;
  }
  const auto opened = folder->openFile(entry.substr(start).c_str());
  if (!opened || !opened->fd.valid()) {
    result.refusal = Refusal::Missing;
    return result;
  }
  const auto size = static_cast<std::uint64_t>(opened->st.st_size);
  if (size > kRestoreBytes - spent) {
    result.refusal = Refusal::TooLarge;
    return result;
  }
  result.bytes.resize(static_cast<std::size_t>(size));
  if (!platform::readWholeAt(opened->fd.get(), 0, result.bytes.data(), result.bytes.size())) {
    result.bytes.clear();
    result.refusal = Refusal::Missing;  // cut short while it was read
    return result;
  }
  spent += size;
  return result;
}

}  // namespace

StatusOr<std::vector<ChosenBytes>> readChosen(const RestoreRequest& request, const std::vector<std::string>& entries,
                                              platform::WorkControl* control) {
  if (request.fromBackup) return readFromBackup(request, entries, control);
  const auto top = platform::Folder::open(request.from.string(), true);
  if (!top) return failureFor(Action::OpenFolder, request.from, top.status());
  std::vector<ChosenBytes> chosen;
  std::uint64_t spent = 0;
  for (const std::string& entry : entries) {
    if (platform::isCancelled(control)) return Status::cancelled();
    chosen.push_back(readFromFolder(*top, entry, spent));
    platform::advance(control, 1, chosen.back().bytes.size());
  }
  return chosen;
}

}  // namespace velmorin
