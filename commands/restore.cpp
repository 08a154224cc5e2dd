// Restore: chosen programs from a folder or a backup back into a folder.
// Like the install, the new files are made complete under temporary names
// first, read back, and take their places together (platform/change_journal):
// a kill leaves the earlier files or the restored ones, and what they
// replace goes to the Trash. The preview decides with the same function.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/locked_folder.h"
#include "commands/restore_plan.h"
#include "vocabulary/language.h"
#include "platform/change_journal.h"
#include "platform/disk_space.h"
#include "platform/file_checks.h"
#include "platform/folder.h"
#include "platform/folder_reader.h"
#include "platform/unique_fd.h"
#include "platform/zip_directory.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

struct Outcome {
  std::int64_t written = 0, replaced = 0, trashed = 0;
  std::vector<std::string> refused;
};

Status writeTemporary(int folder, const std::string& temporary, const std::string& bytes, const fs::path& shown) {
  const platform::UniqueFd file(
      openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (!file.valid()) return failureFor(Action::Write, shown, errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(file.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return failureFor(Action::Write, shown, n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  return Status();
}

// What was written is read back from the disk and must be exactly the program.
Status readBack(const platform::Folder& folder, const std::string& temporary, const std::string& bytes,
                const fs::path& shown) {
  const auto opened = folder.openFile(temporary.c_str());
  std::string written(bytes.size(), '\0');
  if (opened && opened->fd.valid() && static_cast<std::uint64_t>(opened->st.st_size) == bytes.size() &&
      platform::readWholeAt(opened->fd.get(), 0, written.data(), written.size()) && written == bytes)
    return Status();
  return Status::said(Problem::Failed, FailureText::RestoredDidNotReadBack, {shown});
}

// Writes every added or replacing program under its temporary name and reads
// it back; nothing visible changes.
Status prepare(const RestoreRequest& request, const RestoreDecision& decision,
               const std::vector<platform::Replacement>& made, platform::WorkControl* control) {
  const auto folder = platform::Folder::open(request.dest.string(), true);
  const auto fd = platform::openFolderAt(AT_FDCWD, request.dest.c_str(), true);
  if (!folder || !fd) return failureFor(Action::OpenFolder, request.dest, fd ? folder.status() : fd.status());
  std::uint64_t bytes = 0;
  for (const RestoreItem& item : decision.items) bytes += item.action == RestoreAction::Same ? 0 : item.bytes.size();
  if (control) control->begin(platform::WorkPhase::Copy, made.size(), bytes);
  std::size_t next = 0;
  for (const RestoreItem& item : decision.items) {
    if (item.action == RestoreAction::Same) continue;
    if (platform::isCancelled(control)) return Status::cancelled();
    TRY(writeTemporary(fd->get(), made[next++].temporary, item.bytes, request.dest / item.name));
    platform::advance(control, 1, item.bytes.size());
  }
  if (control) control->begin(platform::WorkPhase::Verify, made.size(), bytes);
  next = 0;
  for (const RestoreItem& item : decision.items) {
    if (item.action == RestoreAction::Same) continue;
    TRY(readBack(*folder, made[next++].temporary, item.bytes, request.dest / item.name));
    platform::advance(control, 1, item.bytes.size());
  }
  // The last moment to stop: after this the restored files take their places.
  if (platform::isCancelled(control)) return Status::cancelled();
  return Status();
}

StatusOr<Outcome> restoreLocked(const RestoreRequest& request, platform::WorkControl* control) {
  // Whatever a run killed in this folder left is finished or undone first.
  (void)TRY_VALUE(platform::ChangeJournal::settle(request.dest));
  const RestoreDecision decision = TRY_VALUE(decideRestore(request, control));
  Outcome outcome;
  outcome.refused = decision.refused;
  std::vector<platform::Replacement> made;
  for (const RestoreItem& item : decision.items) {
    if (item.action == RestoreAction::Same) continue;
    made.push_back({"", platform::temporaryName(), item.name});
    ++outcome.written;
    outcome.replaced += item.action == RestoreAction::Replace ? 1 : 0;
  }
  if (made.empty()) return outcome;
  platform::ChangeJournal journal(request.dest);
  TRY(journal.prepare(made));
  if (Status prepared = prepare(request, decision, made, control); !prepared) {
    journal.abandon();
    return prepared;
  }
  outcome.trashed = TRY_VALUE(journal.commit());
  return outcome;
}

bool asksForRestore(const Json& args) {
  const auto restore = args.find("restore");
  return restore != args.end() && restore->is_boolean() && restore->get<bool>();
}

}  // namespace

bool isRestorePreview(const Json& args) { return args.is_object() && asksForRestore(args); }

Reply restorePreview(const Values& values, const Json& args, platform::WorkControl* control) {
  const auto request = readRestoreRequest(values, args);
  if (!request) return failureReply(request.status(), spanish(values));
  if (Status checked = checkRestoreDestination(*request); !checked) return failureReply(checked, request->spanish);
  const auto decision = decideRestore(*request, control);
  if (!decision) return failureReply(decision.status(), request->spanish);
  Json add = Json::array(), replace = Json::array(), same = Json::array(), warnings = Json::array();
  for (const RestoreItem& item : decision->items)
    (item.action == RestoreAction::Add ? add : item.action == RestoreAction::Replace ? replace : same).push_back(item.name);
  // Each reason once, in the order first met.
  for (const Refusal reason : decision->reasons)
    if (std::find(warnings.begin(), warnings.end(), Json(refusalCode(reason))) == warnings.end())
      warnings.push_back(refusalCode(reason));
  const auto free = platform::freeBytes(platform::nearestExisting(request->dest));
  const std::int64_t bytesFree = free ? static_cast<std::int64_t>(*free) : 0;
  if (free && decision->bytesNeeded > bytesFree) warnings.push_back("lowSpace");
  return {{"ok", true},
          {"programs", {{"add", add}, {"replace", replace}, {"same", same}}},
          {"trash", decision->trash},
          {"bytesNeeded", decision->bytesNeeded},
          {"bytesFree", bytesFree},
          {"warnings", warnings}};
}

Reply restore(const Values& values, const Json& args, platform::WorkControl* control) {
  const auto request = readRestoreRequest(values, args);
  if (!request) return failureReply(request.status(), spanish(values));
  if (Status checked = checkRestoreDestination(*request); !checked) return failureReply(checked, request->spanish);
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), request->spanish);

  const StatusOr<Outcome> outcome = inLockedFolder(
      request->dest, [&] { return restoreLocked(*request, control); },
      [](const Outcome& done) { return done.written == 0; });
  if (!outcome) return failureReply(outcome.status(), request->spanish);
  return {{"ok", true},
          {"written", outcome->written},
          {"replaced", outcome->replaced},
          {"trashed", outcome->trashed},
          {"refused", outcome->refused},
          {"verified", true}};
}

}  // namespace velmorin
