#include "commands/restore_plan.h"

#include <cerrno>
#include <map>
#include <optional>
#include <unordered_set>

#include "commands/restore_source.h"
#include "vocabulary/language.h"
#include "platform/file_checks.h"
#include "platform/folder.h"
#include "platform/paths.h"
#include "platform/zip_directory.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

Status invalid(FailureText text) { return Status::said(Problem::Invalid, text); }

bool isUsablePath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

// Whether the destination's file `name` holds exactly `bytes` (never read through a link).
bool holdsAlready(const platform::Folder& dest, const std::string& name, const std::string& bytes) {
  const auto opened = dest.openFile(name.c_str());
  if (!opened || !opened->fd.valid() || static_cast<std::uint64_t>(opened->st.st_size) != bytes.size()) return false;
  std::string current(bytes.size(), '\0');
  return platform::readWholeAt(opened->fd.get(), 0, current.data(), current.size()) && current == bytes;
}

}  // namespace

const char* refusalCode(Refusal refusal) {
  switch (refusal) {
    case Refusal::BadName: return "badName";
    case Refusal::SameName: return "sameName";
    case Refusal::Missing: return "missing";
    case Refusal::Damaged: return "damaged";
    case Refusal::TooLarge: return "tooLarge";
    case Refusal::InTheWay: return "inTheWay";
  }
  return "badName";
}

std::string restoredName(const std::string& entry, std::size_t nameLimit) {
  // Archives made on Windows may separate folders with "\": a ".." there leads out as well.
  if (entry.empty() || entry.front() == '/' || entry.front() == '\\') return "";
  std::size_t start = 0;
  for (std::size_t i = 0; i <= entry.size(); ++i) {
    if (i < entry.size()) {
      const auto c = static_cast<unsigned char>(entry[i]);
      if (c < 0x20 || c == 0x7F) return "";
      if (c != '/' && c != '\\') continue;
    }
    if (entry.compare(start, i - start, "..") == 0 && i - start == 2) return "";
    start = i + 1;
  }
  const std::string name = entry.substr(entry.find_last_of("/\\") + 1);  // npos + 1 is the whole entry
  // A hidden name would not be seen, and the destination's work files are hidden.
  if (name.empty() || name.front() == '.' || name.size() > nameLimit) return "";
  return name;
}

StatusOr<RestoreRequest> readRestoreRequest(const Values& values, const Json& args) {
  RestoreRequest request;
  request.spanish = spanish(values);
  const auto from = textMember(args, "from");
  if (!from || !isUsablePath(*from))
    return invalid(FailureText::ChooseRestoreSource);
  const auto dest = textMember(args, "dest");
  if (!dest || !isUsablePath(*dest))
    return invalid(FailureText::ChooseRestoreDestination);
  const auto entries = args.find("entries");
  if (entries == args.end() || !entries->is_array())
    return invalid(FailureText::ChooseRestorePrograms);
  std::unordered_set<std::string> given;
  for (const Json& entry : *entries) {
    if (!entry.is_string())
      return invalid(FailureText::RestoreEntryNotText);
    // The same entry chosen twice is one program.
    if (given.insert(entry.get<std::string>()).second) request.entries.push_back(entry.get<std::string>());
  }
  request.from = platform::absolutePath(*from);
  request.dest = platform::absolutePath(*dest);
  switch (platform::kindOf(request.from)) {
    case platform::EntryKind::Folder: break;
    case platform::EntryKind::File: request.fromBackup = true; break;
    case platform::EntryKind::Link: {
      // A link the user chose is followed; the backup is then read where it lies.
      if (platform::isFolder(request.from)) break;
      const auto real = platform::realLocation(request.from);
      if (!real || platform::kindOf(*real) != platform::EntryKind::File) return failureFor(Action::Read, request.from, ENOENT);
      request.from = *real;
      request.fromBackup = true;
      break;
    }
    default: return failureFor(Action::Read, request.from, ENOENT);
  }
  return request;
}

Status checkRestoreDestination(const RestoreRequest& request) {
  const fs::path existing = platform::nearestExisting(request.dest);
  if (!platform::isFolder(existing)) return failureFor(Action::CreateFolder, request.dest, ENOTDIR);
  return platform::checkWritable(existing);
}

StatusOr<RestoreDecision> decideRestore(const RestoreRequest& request, platform::WorkControl* control) {
  RestoreDecision decision;
  const std::size_t limit = platform::nameLimit(platform::nearestExisting(request.dest));

  // Names first: an entry refused for its name is never read, and two
  // entries that would become one file are both refused, since either
  // choice would silently drop the other.
  std::vector<std::string> names;
  std::map<std::string, int> uses;
  for (const std::string& entry : request.entries) {
    names.push_back(restoredName(entry, limit));
    if (!names.back().empty()) ++uses[names.back()];
  }
  std::vector<std::optional<Refusal>> refusals(request.entries.size());
  std::vector<std::string> toRead;
  std::vector<std::size_t> readAt;
  for (std::size_t i = 0; i < request.entries.size(); ++i) {
    if (names[i].empty()) refusals[i] = Refusal::BadName;
    else if (uses[names[i]] > 1) refusals[i] = Refusal::SameName;
    else toRead.push_back(request.entries[i]), readAt.push_back(i);
  }

  if (control) control->begin(platform::WorkPhase::Scan, toRead.size());
  std::vector<ChosenBytes> read = TRY_VALUE(readChosen(request, toRead, control));
  std::vector<std::string> bytes(request.entries.size());
  for (std::size_t k = 0; k < read.size(); ++k) {
    refusals[readAt[k]] = read[k].refusal;
    bytes[readAt[k]] = std::move(read[k].bytes);
  }

  const auto dest = platform::Folder::open(request.dest.string(), true);
  for (std::size_t i = 0; i < request.entries.size(); ++i) {
    if (!refusals[i]) {
      RestoreItem item{request.entries[i], names[i], std::move(bytes[i]), RestoreAction::Add};
      const auto facts = dest ? dest->facts(item.name.c_str(), false) : std::nullopt;
      const platform::EntryKind kind = facts ? facts->kind : platform::EntryKind::Missing;
      if (kind == platform::EntryKind::File && holdsAlready(*dest, item.name, item.bytes)) {
        item.action = RestoreAction::Same;
      } else if (kind == platform::EntryKind::File || kind == platform::EntryKind::Link) {
        // A link is replaced itself, never what it leads to.
        item.action = RestoreAction::Replace;
      } else if (kind != platform::EntryKind::Missing) {
        refusals[i] = Refusal::InTheWay;  // a folder or a device is no program to replace
      }
      if (!refusals[i]) {
        if (item.action == RestoreAction::Replace) ++decision.trash;
        if (item.action != RestoreAction::Same) decision.bytesNeeded += static_cast<std::int64_t>(item.bytes.size());
        decision.items.push_back(std::move(item));
        continue;
      }
    }
    decision.refused.push_back(request.entries[i]);
    decision.reasons.push_back(*refusals[i]);
  }
  return decision;
}

}  // namespace velmorin
