// The install's preview: what an install with the same arguments would add,
// replace, leave the same, remove and send to the Trash, and whether it fits.
// It reads the same folders with the same rules as the install and changes
// nothing.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/install_plan.h"
#include "commands/list_model.h"
#include "commands/program_header.h"
#include "commands/program_source.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "platform/disk_space.h"
#include "platform/file_checks.h"
#include "platform/file_compare.h"
#include "platform/folder.h"
#include "platform/paths.h"

namespace velmorin {

namespace {

// How many names of programs removed, or damaged, the reply gives.
constexpr std::size_t kMaxNames = 20;
// Room an archive takes beyond its files' bytes, per entry, at most: its
// headers and names (stored data never grows).
constexpr std::int64_t kArchiveBytesPerEntry = 200;

struct ProgramChanges {
  std::int64_t add = 0, replace = 0, remove = 0, same = 0;
  std::vector<std::string> removeNames;
  std::int64_t damaged = 0;
  std::vector<std::string> damagedNames;
  std::int64_t bytes = 0;    // what the new program folder holds
  std::int64_t entries = 0;  // what the install copies
  bool folderReplaced = false;
};

// A program entry of the source as the install would copy it, named by its
// path below the program folder.
struct Incoming {
  std::string name;
  std::int64_t size = 0;
  bool file = false;  // a regular file (or a link copied as one); else a folder
};

struct Source {
  std::vector<Incoming> programs;
  std::int64_t damaged = 0;
  std::vector<std::string> damagedNames;
};

// What the install copies from the program folder (and its banks): wanted
// entries, links only to files inside it, nothing else. Each file is checked
// as the library checks it.
StatusOr<Source> incomingPrograms(const InstallPlan& plan, platform::WorkControl* control) {
  const auto root = platform::realLocation(*plan.progs);
  Source source;
  std::string bytes;
  const Status walked = forEachSourceFolder(
      plan,
      [&](const std::string& relative, const platform::Folder& folder) {
        const fs::path here = relative.empty() ? *plan.progs : *plan.progs / relative;
        return folder.forEach([&](const char* name, platform::EntryKind) {
          if (!isWantedProgram(plan, name) || platform::isCancelled(control)) return;
          const auto facts = folder.facts(name, false);
          if (!facts) return;
          std::string path = relativeChild(relative, name);
          if (facts->kind == platform::EntryKind::Folder) {
            source.programs.push_back({std::move(path), folderSize(here / name), false});
            return;
          }
          bool read = false;
          std::optional<platform::FileFacts> target;
          if (facts->kind == platform::EntryKind::Link) {
            // Copied as the file it leads to, when that lies inside the program folder.
            const auto real = platform::realLocation(here / name);
            if (!root || !real || *real == *root || !platform::isSameOrInside(*real, *root)) return;
            target = folder.facts(name, true);
            if (!target || target->kind != platform::EntryKind::File) return;
            const auto size = static_cast<std::uint64_t>(target->size);
            auto content = platform::readRegularFile(*real, size <= kCheckedFileLimit ? size : kHeaderBytes);
            if ((read = content.has_value())) bytes = std::move(*content);
          } else if (facts->kind == platform::EntryKind::File) {
            target = folder.read(name, kCheckedFileLimit, kHeaderBytes, bytes, read);
          }
          if (!target || target->kind != platform::EntryKind::File) return;
          if (read && checkProgram(lowerExtension(name), bytes, static_cast<std::uint64_t>(target->size)).check == Verdict::Damaged) {
            ++source.damaged;
            if (source.damagedNames.size() < kMaxNames) source.damagedNames.push_back(path);
          }
          source.programs.push_back({std::move(path), target->size, true});
        });
      },
      control);
  if (platform::isCancelled(control)) return Status::cancelled();
  if (!walked) return failureFor(Action::ListFolder, *plan.progs, walked);
  return source;
}

// The entries of the current program folder by their path below it (banks
// read as the copy makes them): path -> facts (links not followed).
void readCurrentPrograms(const InstallPlan& plan, const platform::Folder& folder, const std::string& relative,
                         int depth, std::map<std::string, platform::FileFacts>& current) {
  std::vector<std::string> banks;
  (void)folder.forEach([&](const char* name, platform::EntryKind) {
    const auto facts = folder.facts(name, false);
    if (!facts) return;
    if (facts->kind == platform::EntryKind::Folder && !isWantedProgram(plan, name) && depth < kMaxBankDepth)
      banks.emplace_back(name);
    else
      current.emplace(relativeChild(relative, name), *facts);
  });
  for (const std::string& bank : banks)
    if (const auto sub = folder.child(bank.c_str()))
      readCurrentPrograms(plan, *sub, relativeChild(relative, bank), depth + 1, current);
}

std::map<std::string, platform::FileFacts> currentPrograms(const InstallPlan& plan, const fs::path& folderPath) {
  std::map<std::string, platform::FileFacts> current;
  if (const auto folder = platform::Folder::open(folderPath.string(), false))
    readCurrentPrograms(plan, *folder, "", 1, current);
  return current;
}

StatusOr<ProgramChanges> programChanges(const InstallPlan& plan, platform::WorkControl* control) {
  ProgramChanges changes;
  // Nothing to count against while the folders are read.
  if (control) control->begin(platform::WorkPhase::Verify);
  Source source = TRY_VALUE(incomingPrograms(plan, control));
  const std::vector<Incoming>& incoming = source.programs;
  changes.damaged = source.damaged;
  changes.damagedNames = std::move(source.damagedNames);
  const fs::path currentFolder = plan.modelFolder / plan.programsName;
  changes.folderReplaced = platform::kindOf(currentFolder) != platform::EntryKind::Missing;
  auto current = currentPrograms(plan, currentFolder);

  // Same name and size: only the content can tell.
  std::vector<const Incoming*> toCompare;
  std::uint64_t compareBytes = 0;
  for (const Incoming& entry : incoming) {
    ++changes.entries;
    changes.bytes += entry.size;
    const auto found = current.find(entry.name);
    if (found == current.end()) {
      ++changes.add;
      continue;
    }
    const bool sameSize = entry.file && found->second.kind == platform::EntryKind::File && found->second.size == entry.size;
    current.erase(found);
    if (!sameSize) {
      ++changes.replace;
      continue;
    }
    toCompare.push_back(&entry);
    compareBytes += static_cast<std::uint64_t>(entry.size);
  }
  if (control) control->begin(platform::WorkPhase::Verify, toCompare.size(), compareBytes);
  for (const Incoming* entry : toCompare) {
    const auto same = platform::sameContent(*plan.progs / entry->name, currentFolder / entry->name, control);
    if (!same && same.status().problem() == Problem::Cancelled) return same.status();
    // One that cannot be read is counted as replaced: the install decides.
    if (same && *same) ++changes.same;
    else ++changes.replace;
    platform::advance(control, 1);
  }
  // What is left of the current folder goes with it.
  changes.remove = static_cast<std::int64_t>(current.size());
  for (const auto& [name, facts] : current) {
    if (changes.removeNames.size() == kMaxNames) break;
    changes.removeNames.push_back(name);
  }
  return changes;
}

// The archives the install replaces: whatever stands in the new one's place,
// and the older ones it retires.
std::vector<std::string> replacedArchives(const InstallPlan& plan) {
  std::vector<std::string> archives = olderArchives(plan);
  if (platform::kindOf(plan.modelFolder / plan.archiveName) != platform::EntryKind::Missing)
    archives.push_back(plan.archiveName);
  std::sort(archives.begin(), archives.end());
  return archives;
}

// Whether the model folder holds anything this application did not make.
bool holdsForeignFiles(const InstallPlan& plan) {
  for (const std::string& name : platform::namesIn(plan.modelFolder.string())) {
    if (name.starts_with('.')) continue;  // our work files, and nothing a user sees
    if (!isOwnEntry(name, plan.safeModel)) return true;
  }
  return false;
}

// Whether the model is one of the known ones and its programs have another extension.
bool modelMismatch(const InstallPlan& plan) {
  const std::string extension = lowerAscii(plan.extension);
  bool known = false;
  for (const auto& [ext, model] : PROG_EXT) {
    if (model != plan.safeModel) continue;
    known = true;
    if (ext == extension) return false;
  }
  return known;
}

// The model the install is for: its programs', else the one it is named after.
std::string installedModel(const InstallPlan& plan) {
  if (plan.progs) {
    const auto known = PROG_EXT.find(lowerAscii(plan.extension));
    return known == PROG_EXT.end() ? "" : known->second;
  }
  for (const auto& [ext, model] : PROG_EXT)
    if (model == plan.safeModel) return model;
  return "";
}

}  // namespace

Reply plan(const Values& values, const Json& args, platform::WorkControl* control) {
  if (isRestorePreview(args)) return restorePreview(values, args, control);
  const auto request = readInstallPlan(values, args);
  if (!request) return failureReply(request.status(), spanish(values));
  const InstallPlan& plan = *request;
  // What the install would refuse, the preview refuses with the same words.
  if (Status checked = checkBeforeChanging(plan); !checked) return failureReply(checked, plan.spanish);
  Json warnings = Json::array();

  Reply reply{{"ok", true}, {"path", plan.modelFolder.string()}};
  std::int64_t trash = 0, bytesNeeded = 0;
  reply["list"] = nullptr;
  if (plan.list) {
    const std::string name = plan.list->filename().string();
    const bool replaces =
        platform::kindOf(plan.modelFolder / plan.listsFolderName / name) != platform::EntryKind::Missing;
    const std::string listModel = suggestedListModel(*plan.list);
    reply["list"] = {{"name", name}, {"replaces", replaces}, {"model", listModel}};
    const std::string model = installedModel(plan);
    if (!listModel.empty() && !model.empty() && listModel != model) warnings.push_back("listModel");
    trash += replaces ? 1 : 0;
    if (const auto facts = platform::factsOf(plan.list->string(), true))
      bytesNeeded += facts->kind == platform::EntryKind::Folder ? folderSize(*plan.list) : facts->size;
  }

  reply["programs"] = nullptr;
  reply["archive"] = nullptr;
  reply["removeNames"] = Json::array();
  reply["damaged"] = 0;
  reply["damagedNames"] = Json::array();
  if (plan.progs) {
    const auto changes = programChanges(plan, control);
    if (!changes) return failureReply(changes.status(), plan.spanish);
    reply["programs"] = {{"add", changes->add}, {"replace", changes->replace}, {"remove", changes->remove},
                         {"same", changes->same}};
    reply["removeNames"] = changes->removeNames;
    reply["damaged"] = changes->damaged;
    reply["damagedNames"] = changes->damagedNames;
    if (changes->damaged > 0) warnings.push_back("damaged");
    const std::vector<std::string> archives = replacedArchives(plan);
    reply["archive"] = {{"name", plan.archiveName}, {"replaces", archives}};
    trash += (changes->folderReplaced ? 1 : 0) + static_cast<std::int64_t>(archives.size());
    // The new folder and its archive are made in full before the old ones go.
    bytesNeeded += 2 * changes->bytes + kArchiveBytesPerEntry * changes->entries;
    if (modelMismatch(plan)) warnings.push_back("modelMismatch");
  }

  const auto free = platform::freeBytes(platform::nearestExisting(plan.modelFolder));
  const std::int64_t diskFree = free ? static_cast<std::int64_t>(*free) : 0;
  if (free && bytesNeeded > diskFree) warnings.push_back("lowSpace");
  if (holdsForeignFiles(plan)) warnings.push_back("foreignFiles");
  reply["trash"] = trash;
  reply["bytesNeeded"] = bytesNeeded;
  reply["diskFree"] = diskFree;
  reply["warnings"] = warnings;
  return reply;
}

}  // namespace velmorin
