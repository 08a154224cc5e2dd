#include "commands/install_plan.h"

#include <cerrno>

#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "platform/file_checks.h"
#include "platform/folder.h"
#include "platform/paths.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

// A name that must stay one entry inside its parent.
bool isSafeName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool isUsablePath(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

bool isDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (i != 4 && i != 7 && (text[i] < '0' || text[i] > '9')) return false;
  return true;
}

Status checkNameFits(const std::string& name, std::size_t limit) {
  if (name.size() <= limit) return Status();
  return Status::said(Problem::NameTooLong, FailureText::NameTooLong,
                      {name, std::to_string(name.size()), std::to_string(limit)});
}

// A list given as a link must lead to a file in the list's own folder: a
// downloaded folder could otherwise hand over any file of the user's.
Status checkList(const InstallPlan& plan) {
  const fs::path& list = *plan.list;
  const auto kind = platform::kindOf(list);
  if (kind == platform::EntryKind::Missing) return failureFor(Action::Read, list, ENOENT);
  if (kind != platform::EntryKind::Link) return Status();
  const auto real = platform::realLocation(list);
  const auto folder = platform::realLocation(list.parent_path());
  if (real && folder && *real != *folder && platform::isSameOrInside(*real, *folder) &&
      platform::kindOf(*real) == platform::EntryKind::File)
    return Status();
  return Status::said(Problem::Link, FailureText::ListLinkOutside, {list});
}

// The first name of `inner`'s path below `outer`, which holds it (both resolved).
std::string firstNameBelow(const std::string& inner, const std::string& outer) {
  const std::size_t start = outer == "/" ? 1 : outer.size() + 1;
  return inner.substr(start, inner.find('/', start) - start);
}

// Only the program folder's wanted entries are copied, and only what the model
// folder's programs folder and work files hold is replaced or cleared: a
// destination inside the program folder (the Desktop holding both) is fine
// unless one of those entries holds it, and the program folder may lie inside
// the destination unless the install would replace or clear it.
Status checkNotNested(const InstallPlan& plan) {
  const auto progs = platform::realLocation(*plan.progs);
  const auto model = platform::realLocation(plan.modelFolder);
  if (!progs || !model || *progs == *model) return Status();
  if (platform::isSameOrInside(*model, *progs)) {
    const std::string entry = firstNameBelow(*model, *progs);
    if (!isWantedProgram(plan, entry.c_str())) return Status();
    return Status::said(Problem::Nested, FailureText::DestinationInsideCopied, {plan.modelFolder, *plan.progs / entry});
  }
  if (platform::isSameOrInside(*progs, *model)) {
    const std::string entry = firstNameBelow(*progs, *model);
    if (entry != plan.programsName && !entry.starts_with('.')) return Status();
    return Status::said(Problem::Nested, FailureText::ProgramFolderInsideReplaced, {*plan.progs, plan.modelFolder / entry});
  }
  return Status();
}

}  // namespace

StatusOr<InstallPlan> readInstallPlan(const Values& values, const Json& args) {
  const auto dest = textMember(args, "dest");
  // The one reply whose "error" is a fixed word that callers look for.
  if (!dest) return Status::said(Problem::Invalid, FailureText::Argument, {"dest"});
  InstallPlan plan;
  plan.spanish = spanish(values);
  if (!isUsablePath(*dest))
    return Status::said(Problem::Invalid, FailureText::DestinationNotValid, {*dest});

  plan.safeModel = textMember(args, "model").value_or("Nord");
  for (char& c : plan.safeModel)
    if (c == '/') c = '-';
  if (!isSafeName(plan.safeModel))
    return Status::said(Problem::Invalid, FailureText::ModelNameNotFolder, {plan.safeModel});
  plan.root = platform::absolutePath(*dest);
  plan.modelFolder = plan.root / plan.safeModel;

  if (const auto list = textMember(args, "list")) {
    const fs::path path = isUsablePath(*list) ? fs::path(platform::absolutePath(*list)) : fs::path();
    if (path.empty() || !isSafeName(path.filename().string()))
      return Status::said(Problem::Invalid, FailureText::ListNotCopyable, {*list});
    plan.list = path;
    plan.listsFolderName = listsFolderName(plan.spanish);
  }

  const auto progs = textMember(args, "progs");
  const auto extension = textMember(args, "ext");
  if (progs && extension) {
    if (extension->find('/') != std::string::npos || extension->find('\0') != std::string::npos)
      return Status::said(Problem::Invalid, FailureText::ExtensionNotFolder, {*extension});
    if (!isUsablePath(*progs))
      return Status::said(Problem::Invalid, FailureText::ProgramFolderNotValid, {*progs});
    plan.progs = platform::absolutePath(*progs);
    plan.extension = *extension;
    const auto subfolders = args.find("subfolders");
    plan.subfolders = subfolders != args.end() && subfolders->is_boolean() && subfolders->get<bool>();
    plan.programsName = programsFolderName(plan.spanish, *extension);
    plan.archiveName = plan.safeModel + " " + std::string(kProgramsWord[plan.spanish]) + " " + todayText() + ".zip";
  }
  return plan;
}

Status checkBeforeChanging(const InstallPlan& plan) {
  const fs::path existing = platform::nearestExisting(plan.modelFolder);
  if (!platform::isFolder(existing))
    return failureFor(Action::CreateFolder, plan.modelFolder, ENOTDIR);
  TRY(platform::checkWritable(existing));

  const std::size_t limit = platform::nameLimit(existing);
  if (existing != plan.modelFolder) TRY(checkNameFits(plan.safeModel, limit));
  if (plan.list) {
    TRY(checkList(plan));
    TRY(checkNameFits(plan.list->filename().string(), limit));
    const fs::path listsFolder = plan.modelFolder / plan.listsFolderName;
    if (platform::kindOf(listsFolder) == platform::EntryKind::Folder) TRY(platform::checkWritable(listsFolder));
  }
  if (plan.progs) {
    TRY(platform::checkReadableFolder(*plan.progs));
    TRY(checkNotNested(plan));
    TRY(checkNameFits(plan.programsName, limit));
    TRY(checkNameFits(plan.archiveName, limit));
    const fs::path archive = plan.modelFolder / plan.archiveName;
    if (platform::kindOf(archive) == platform::EntryKind::Folder)
      return Status::said(Problem::Invalid, FailureText::FolderWhereArchiveGoes, {plan.archiveName, plan.modelFolder});
  }
  return Status();
}

bool isWantedProgram(const InstallPlan& plan, const char* name) { return lowerExtension(name) == plan.extension; }

std::string listsFolderName(bool spanish) { return std::string(kListsFolder[spanish]); }

std::string programsFolderName(bool spanish, std::string_view extension) {
  return std::string(kProgramsWord[spanish]) + " (." + std::string(extension) + ")";
}

bool isOwnArchive(const std::string& name, const std::string& safeModel) {
  if (!name.starts_with(safeModel) || !name.ends_with(".zip")) return false;
  std::string_view rest(name);
  rest.remove_prefix(safeModel.size());
  rest.remove_suffix(4);
  for (const std::string_view word : kProgramsWord) {
    const std::string spaced = " " + std::string(word) + " ";
    if (rest.starts_with(spaced) && isDate(rest.substr(spaced.size()))) return true;
  }
  return false;
}

std::vector<std::string> olderArchives(const InstallPlan& plan) {
  std::vector<std::string> older;
  for (std::string& name : platform::namesIn(plan.modelFolder.string()))
    if (name != plan.archiveName && isOwnArchive(name, plan.safeModel) &&
        platform::kindOf(plan.modelFolder / name) == platform::EntryKind::File)
      older.push_back(std::move(name));
  return older;
}

bool isProgramsFolderName(std::string_view name) {
  for (const std::string_view word : kProgramsWord) {
    const std::string opening = std::string(word) + " (.";
    if (name.size() > opening.size() && name.starts_with(opening) && name.ends_with(')')) return true;
  }
  return false;
}

bool isOwnEntry(const std::string& name, const std::string& safeModel) {
  for (const std::string_view lists : kListsFolder)
    if (name == lists) return true;
  return isProgramsFolderName(name) || isOwnArchive(name, safeModel);
}

}  // namespace velmorin
