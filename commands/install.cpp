// The install: one program list and one model's program files into
// <dest>/<model>, with a dated archive of the programs. The new list, program
// folder and archive are made complete under temporary names first and take
// their places together (platform/change_journal), the replaced ones going to
// the Trash: a failure, a kill or a power cut leaves the earlier set or the
// new one, never a mix.
#include <optional>
#include <vector>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/install_check.h"
#include "commands/install_plan.h"
#include "commands/locked_folder.h"
#include "commands/program_source.h"
#include "vocabulary/language.h"
#include "platform/change_journal.h"
#include "platform/file_checks.h"
#include "platform/file_copy.h"
#include "platform/folder.h"
#include "platform/zip_writer.h"

namespace velmorin {

namespace {

constexpr const char* kStaging = ".nuevo";

struct Outcome {
  std::int64_t count = 0;
  std::int64_t lists = 0;
  std::int64_t skipped = 0;
  int trashed = 0;
};

// Clears what a run of an earlier version, ended by force before it kept a
// journal, left behind: its partial copies and staging folder.
void clearOlderLeftovers(const InstallPlan& plan) {
  platform::removeLeftovers(plan.modelFolder, ".", ".part");
  platform::removeTree(plan.modelFolder / kStaging);
}

// The new items, each under its temporary name.
struct Temporaries {
  std::optional<platform::Replacement> list;
  std::optional<platform::Replacement> programs;
  std::optional<platform::Replacement> archive;

  std::vector<platform::Replacement> all() const {
    std::vector<platform::Replacement> items;
    for (const auto* item : {&list, &programs, &archive})
      if (*item) items.push_back(**item);
    return items;
  }
};

// How many entries the copy will take and their bytes, for its progress (a few
// big pianos take most of the time); read only when watched.
std::pair<std::uint64_t, std::uint64_t> wantedEntries(const InstallPlan& plan, const platform::WorkControl* control) {
  std::uint64_t count = 0;
  std::uint64_t bytes = 0;
  if (!control) return {count, bytes};
  (void)forEachSourceFolder(
      plan,
      [&](const std::string& relative, const platform::Folder& folder) {
        const fs::path here = relative.empty() ? *plan.progs : *plan.progs / relative;
        return folder.forEach([&](const char* name, platform::EntryKind kind) {
          if (!isWantedProgram(plan, name)) return;
          ++count;
          if (kind == platform::EntryKind::File) {
            if (const auto facts = folder.facts(name, false)) bytes += static_cast<std::uint64_t>(facts->size);
          } else if (kind == platform::EntryKind::Folder) {
            bytes += static_cast<std::uint64_t>(treeSize(here / name).bytes);
          }
        });
      },
      control);
  return {count, bytes};
}

// Copies the wanted entries of every source folder into the same place below
// `staging`; a bank without programs gets no folder.
Status copyPrograms(const InstallPlan& plan, const fs::path& staging, platform::CopyReport& total,
                    platform::WorkControl* control) {
  return forEachSourceFolder(
      plan,
      [&](const std::string& relative, const platform::Folder& folder) {
        bool any = false;
        TRY(folder.forEach([&](const char* name, platform::EntryKind) { any = any || isWantedProgram(plan, name); }));
        if (!any) return Status();
        const fs::path to = relative.empty() ? staging : staging / relative;
        // Failures name the program folder the copies are for, never the staging folder.
        const fs::path programs = plan.modelFolder / plan.programsName;
        const fs::path shown = relative.empty() ? programs : programs / relative;
        if (!relative.empty()) (void)TRY_VALUE(platform::makeFolders(to));
        platform::CopyReport report;
        TRY(platform::copyEntries(
            relative.empty() ? *plan.progs : *plan.progs / relative, to,
            [&](const char* name) { return isWantedProgram(plan, name); }, &report, control, shown));
        total.entries += report.entries;
        total.files += report.files;
        total.folders += report.folders;
        total.links += report.links;
        total.skipped += report.skipped;
        total.bytes += report.bytes;
        return Status();
      },
      control);
}

// Makes every new item under its temporary name; nothing visible changes.
Status prepare(const InstallPlan& plan, const Temporaries& made, Outcome& outcome,
               std::vector<fs::path>& madeFolders, platform::WorkControl* control) {
  if (made.list) {
    const fs::path folder = plan.modelFolder / made.list->folder;
    const auto folders = TRY_VALUE(platform::makeFolders(folder));
    madeFolders.insert(madeFolders.end(), folders.begin(), folders.end());
    // A list saved as a web page may be a folder; it is copied and read back whole.
    TRY(platform::copyTree(*plan.list, folder / made.list->temporary, nullptr, control, folder / made.list->target));
    TRY(checkCopiedItem(*plan.list, folder / made.list->temporary, folder / made.list->target, control));
    outcome.lists = 1;
  }
  if (made.programs) {
    const fs::path staging = plan.modelFolder / made.programs->temporary;
    TRY(platform::makeFolder(staging));
    if (control) {
      const auto [entries, bytes] = wantedEntries(plan, control);
      control->begin(platform::WorkPhase::Copy, entries, bytes);
    }
    platform::CopyReport report;
    TRY(copyPrograms(plan, staging, report, control));
    outcome.count = static_cast<std::int64_t>(report.entries);
    outcome.skipped = static_cast<std::int64_t>(report.skipped);
    // Nothing is reported done that was not read back: the copies are
    // compared with their sources while the archive is made from them (it
    // holds exactly what the program folder will), then the archive is read
    // back entry by entry. A copy that differs is named first.
    CopyCheck copies(*plan.progs, staging, plan.modelFolder / plan.programsName, control);
    if (control) control->begin(platform::WorkPhase::Archive, report.files, report.bytes);
    TRY(platform::writeZipFile(staging, plan.modelFolder / made.archive->temporary, platform::ZipLayout::ContentsAtTop,
                               plan.modelFolder / plan.archiveName, {}, control));
    if (control) control->begin(platform::WorkPhase::Verify, report.files, report.bytes);
    const Status archived = checkArchive(plan.modelFolder / made.archive->temporary, report.files,
                                         plan.modelFolder / plan.archiveName, control);
    TRY(copies.result());
    TRY(archived);
  }
  // The last moment to stop: after this the new set takes its place.
  if (platform::isCancelled(control)) return Status::cancelled();
  return Status();
}

StatusOr<Outcome> installLocked(const InstallPlan& plan, platform::WorkControl* control) {
  // Whatever a run killed in this folder left is finished or undone first.
  (void)TRY_VALUE(platform::ChangeJournal::settle(plan.modelFolder));
  clearOlderLeftovers(plan);

  Temporaries made;
  if (plan.list) made.list = {plan.listsFolderName, platform::temporaryName(), plan.list->filename().string()};
  if (plan.progs) {
    made.programs = {"", kStaging, plan.programsName};
    made.archive = {"", platform::temporaryName(), plan.archiveName};
  }
  Outcome outcome;
  if (!made.list && !made.programs) return outcome;

  platform::ChangeJournal journal(plan.modelFolder);
  TRY(journal.prepare(made.all()));
  std::vector<fs::path> madeFolders;
  if (Status prepared = prepare(plan, made, outcome, madeFolders, control); !prepared) {
    journal.abandon();  // a full disk gets its space back; nothing earlier was touched
    platform::removeMadeFolders(madeFolders);
    return prepared;
  }
  outcome.trashed = TRY_VALUE(journal.commit(plan.progs ? olderArchives(plan) : std::vector<std::string>{}));
  return outcome;
}

}  // namespace

Reply install(const Values& values, const Json& args, platform::WorkControl* control) {
  const auto plan = readInstallPlan(values, args);
  if (!plan) return failureReply(plan.status(), spanish(values));
  if (Status checked = checkBeforeChanging(*plan); !checked) return failureReply(checked, plan->spanish);
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), plan->spanish);

  const StatusOr<Outcome> outcome =
      inLockedFolder(plan->modelFolder, [&] { return installLocked(*plan, control); }, [](const Outcome&) { return false; });
  if (!outcome) return failureReply(outcome.status(), plan->spanish);
  return {{"ok", true},
          {"count", outcome->count},
          {"lists", outcome->lists},
          {"bytes", folderSize(plan->modelFolder)},
          {"path", plan->modelFolder.string()},
          {"root", plan->root.string()},
          {"trashed", outcome->trashed},
          {"skipped", outcome->skipped},
          {"verified", true},
          {"programBytes", plan->progs ? folderSize(plan->modelFolder / plan->programsName) : 0},
          {"archiveBytes", plan->progs ? folderSize(plan->modelFolder / plan->archiveName) : 0}};
}

}  // namespace velmorin
