#include "commands/program_source.h"

#include <algorithm>
#include <vector>

#include "commands/scan_roots.h"
#include "vocabulary/text.h"
#include "platform/paths.h"

namespace velmorin {

namespace {

struct Walk {
  const InstallPlan& plan;
  const std::function<Status(const std::string&, const platform::Folder&)>& visit;
  const platform::WorkControl* control;
  std::string destination;  // the model folder's path below the program folder, or ""

  Status folder(const std::string& relative, const platform::Folder& open, int depth) {
    if (platform::isCancelled(control)) return Status::cancelled();
    TRY(visit(relative, open));
    if (!plan.subfolders || depth >= kMaxBankDepth) return Status();
    std::vector<std::string> names;
    TRY(open.forEach([&](const char* name, platform::EntryKind kind) {
      if (kind != platform::EntryKind::Folder || name[0] == '.' || isWantedProgram(plan, name)) return;
      // Packages are not the user's folders; an install's own folders are copies.
      if (isPackageFolder(lowerExtension(name)) || isOwnEntry(name, plan.safeModel)) return;
      std::string child = relativeChild(relative, name);
      if (child != destination) names.push_back(std::move(child));
    }));
    std::sort(names.begin(), names.end());
    for (const std::string& child : names) {
      const auto sub = open.child(child.substr(relative.empty() ? 0 : relative.size() + 1).c_str());
      if (sub) TRY(folder(child, *sub, depth + 1));  // a bank that cannot be read brings nothing
    }
    return Status();
  }
};

}  // namespace

std::string relativeChild(const std::string& relative, const std::string& name) {
  return relative.empty() ? name : relative + "/" + name;
}

Status forEachSourceFolder(const InstallPlan& plan,
                           const std::function<Status(const std::string&, const platform::Folder&)>& visit,
                           const platform::WorkControl* control) {
  const auto top = platform::Folder::open(plan.progs->string(), true);
  if (!top) return failureFor(Action::ListFolder, *plan.progs, top.status());
  Walk walk{plan, visit, control, ""};
  // The destination may lie in a bank-less subfolder (the Desktop holding
  // both): the walk never takes in what the install makes.
  const auto progs = platform::realLocation(*plan.progs);
  const auto model = platform::realLocation(plan.modelFolder);
  if (plan.subfolders && progs && model && *model != *progs && platform::isSameOrInside(*model, *progs))
    walk.destination = model->substr(*progs == "/" ? 1 : progs->size() + 1);
  return walk.folder("", *top, 1);
}

}  // namespace velmorin
