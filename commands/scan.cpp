// The program scan. Folders are read once each, with their entries' types, and
// only files that could be a program list or a program file are asked for
// their date and size. The folders of a root are read by a few threads at once
// into a tree of per-folder findings, which is then replayed in the order a
// single depth-first walk would have met them, so ties are settled the same.
#include <algorithm>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/list_model.h"
#include "vocabulary/language.h"
#include "commands/scan_roots.h"
#include "vocabulary/text.h"
#include "platform/folder.h"
#include "platform/tree_workers.h"

namespace velmorin {

namespace {

constexpr int kMaxDepth = 3;
// Entries without a date count as dated in the year 1: before every threshold of 0 or more.
constexpr long double kDistantPastMs = -62135596800000.0L;

bool isListName(std::string_view name, std::string_view extension) {
  return (extension == "html" || extension == "htm") && lowerAscii(name).find("program") != std::string::npos;
}

// A list or program file that passed the threshold.
struct FoundFile {
  std::string name;
  std::string extension;
  long double dateMs;
  std::int64_t size;
  bool list;
};

// What one folder holds, in listing order: files found and sub-folders.
struct FolderNode {
  std::string path;
  int depth;
  std::vector<std::variant<FoundFile, std::unique_ptr<FolderNode>>> items;
};

// Reads one folder into its node; sub-folders to walk become child nodes.
class FolderReader {
 public:
  // `roots`: every folder the scan starts from. One met inside another is
  // walked as a root of its own, to its own depth, and so only once.
  FolderReader(long double sinceMs, const std::unordered_set<std::string>& roots, platform::WorkControl* control)
      : sinceMs_(sinceMs), roots_(roots), control_(control) {}

  // Fills `node`; returns the children that still need reading.
  std::vector<FolderNode*> read(FolderNode& node) const {
    std::vector<FolderNode*> children;
    if (platform::isCancelled(control_)) return children;
    platform::advance(control_, 1);
    const auto folder = platform::Folder::open(node.path, node.depth == 1);
    if (!folder) return children;
    // Entries are taken as the kernel hands them over: a big flat folder
    // (Downloads) is never held as a list.
    const Status listed = folder->forEach([&](const char* entryName, platform::EntryKind kind) {
      // Hidden entries are not the user's programs.
      if (entryName[0] == '.') return;
      const std::string name(entryName);
      // A folder or a list whose name is not UTF-8 could not be reported; a
      // program file's name never is, so it counts like any other, as it
      // does in the folder's full count and in the install.
      const bool reportable = isValidUtf8(name);
      if (kind == platform::EntryKind::Folder) {
        if (!reportable) return;
        if (FolderNode* child = folderEntry(node, name)) children.push_back(child);
      } else if (auto file = fileEntry(*folder, name, kind == platform::EntryKind::Link)) {
        if (file->list && !reportable) return;
        node.items.emplace_back(std::move(*file));
      }
    });
    if (!listed) {
      node.items.clear();
      children.clear();
      return children;
    }
    // The path is needed later only to report files found here; the tree of
    // folders is kept until the walk-order replay, so keep it small.
    const bool found = std::any_of(node.items.begin(), node.items.end(),
                                   [](const auto& item) { return std::holds_alternative<FoundFile>(item); });
    if (!found) std::string().swap(node.path);
    return children;
  }

 private:
  FolderNode* folderEntry(FolderNode& node, const std::string& name) const {
    if (isPackageFolder(lowerExtension(name))) return nullptr;
    std::string path = platform::childPath(node.path, name);
    // Within one root every path is met once (links are not followed).
    if (roots_.contains(path) || node.depth + 1 > kMaxDepth) return nullptr;
    auto child = std::make_unique<FolderNode>(FolderNode{std::move(path), node.depth + 1, {}});
    FolderNode* raw = child.get();
    node.items.emplace_back(std::move(child));
    return raw;
  }

  std::optional<FoundFile> fileEntry(const platform::Folder& folder, const std::string& name, bool isLink) const {
    std::string extension = lowerExtension(name);
    const bool list = isListName(name, extension);
    if (!list && !PROG_EXT.contains(extension)) return std::nullopt;
    const auto facts = folder.facts(name.c_str(), true);
    // A link to a folder is not walked (no loops, nothing outside the tree) and
    // is neither a list nor a program file.
    if (facts && isLink && facts->kind == platform::EntryKind::Folder) return std::nullopt;
    const long double dateMs = facts ? facts->modifiedMs : kDistantPastMs;
    if (dateMs < sinceMs_) return std::nullopt;
    return FoundFile{name, std::move(extension), dateMs, facts ? facts->size : 0, list};
  }

  long double sinceMs_;
  const std::unordered_set<std::string>& roots_;
  platform::WorkControl* control_;
};

struct ListCandidate {
  std::string path;
  std::string name;
  long double dateMs;
  std::int64_t size;
};

struct TallyEntry {
  std::string folder;
  std::string extension;
  std::int64_t count = 0;
  long double newestMs = kDistantPastMs;
};

// How many folders and lists the reply lists, newest first.
constexpr std::size_t kMaxFolders = 200;
constexpr std::size_t kMaxLists = 200;

// The scan's findings, taken in discovery order.
class Findings {
 public:
  void take(const FolderNode& node) {
    for (const auto& item : node.items) {
      if (const auto* child = std::get_if<std::unique_ptr<FolderNode>>(&item)) {
        take(**child);
        continue;
      }
      const auto& file = std::get<FoundFile>(item);
      if (file.list) {
        lists_.push_back({platform::childPath(node.path, file.name), file.name, file.dateMs, file.size});
        continue;
      }
      const auto [it, added] = tallyIndex_.try_emplace(node.path + "|" + file.extension, tally_.size());
      if (added) tally_.push_back({node.path, file.extension, 0});
      TallyEntry& entry = tally_[it->second];
      ++entry.count;
      entry.newestMs = std::max(entry.newestMs, file.dateMs);
    }
  }

  Reply reply() const;

 private:
  Json folders() const;
  Json lists() const;

  std::vector<ListCandidate> lists_;
  std::vector<TallyEntry> tally_;                            // in order of discovery
  std::unordered_map<std::string, std::size_t> tallyIndex_;  // "folder|ext" -> index in tally_
};

// The folder's full count of one extension: hidden and old entries included.
void countInFolder(const std::string& folderPath, const std::string& extension, std::int64_t& count,
                   std::int64_t& size) {
  count = size = 0;
  const auto folder = platform::Folder::open(folderPath, true);
  if (!folder) return;
  std::int64_t entries = 0, bytes = 0;
  const Status listed = folder->forEach([&](const char* name, platform::EntryKind) {
    if (lowerExtension(name) != extension) return;
    ++entries;
    const auto facts = folder->facts(name, true);
    if (facts && facts->kind == platform::EntryKind::File) bytes += facts->size;
  });
  if (!listed) return;
  count = entries;
  size = bytes;
}

std::string listModel(const std::string& name) {
  const auto at = name.find(" Program");
  return at == std::string::npos ? name : name.substr(0, at);
}

Reply Findings::reply() const {
  Reply reply = Reply::object();
  if (!lists_.empty()) {
    // The newest; of equal dates the first found.
    const ListCandidate* newest = &lists_.front();
    for (const auto& candidate : lists_)
      if (candidate.dateMs > newest->dateMs) newest = &candidate;
    reply["list"] = {{"path", newest->path},
                     {"name", newest->name},
                     {"model", listModel(newest->name)},
                     {"size", newest->size}};
    reply["lists"] = lists();
  }
  if (!tally_.empty()) {
    // The most files; of equal counts the first found.
    const TallyEntry* most = &tally_.front();
    for (const auto& entry : tally_)
      if (entry.count > most->count) most = &entry;
    std::int64_t count = 0, size = 0;
    countInFolder(most->folder, most->extension, count, size);
    reply["progs"] = {{"dir", most->folder},
                      {"count", count},
                      {"ext", most->extension},
                      {"model", PROG_EXT.at(most->extension)},
                      {"size", size}};
    reply["folders"] = folders();
  }
  return reply;
}

// The first `limit` of `items` by the time `date`, newest first; of equal
// times the first found.
template <class Item>
std::vector<const Item*> newestFirst(const std::vector<Item>& items, long double Item::*date, std::size_t limit) {
  std::vector<const Item*> order;
  for (const Item& item : items) order.push_back(&item);
  std::stable_sort(order.begin(), order.end(), [date](const Item* a, const Item* b) { return a->*date > b->*date; });
  if (order.size() > limit) order.resize(limit);
  return order;
}

// Every list found, newest first, so that the user can choose another than the newest.
Json Findings::lists() const {
  Json list = Json::array();
  for (const ListCandidate* candidate : newestFirst(lists_, &ListCandidate::dateMs, kMaxLists))
    list.push_back({{"path", candidate->path},
                    {"name", candidate->name},
                    {"modified", static_cast<double>(candidate->dateMs)},
                    {"size", candidate->size},
                    {"model", suggestedListModel(candidate->path)}});
  return list;
}

// Every folder where programs were met, newest first, each with its full
// count as the install would see it.
Json Findings::folders() const {
  Json list = Json::array();
  for (const TallyEntry* entry : newestFirst(tally_, &TallyEntry::newestMs, kMaxFolders)) {
    std::int64_t count = 0, size = 0;
    countInFolder(entry->folder, entry->extension, count, size);
    list.push_back({{"dir", entry->folder},
                    {"ext", entry->extension},
                    {"model", PROG_EXT.at(entry->extension)},
                    {"count", count},
                    {"newest", static_cast<double>(entry->newestMs)}});
  }
  return list;
}

}  // namespace

Reply scan(const Values& values, double since, const std::optional<std::string>& dir,
           platform::WorkControl* control) {
  const std::vector<std::string> roots = scanRoots(values, dir);
  const std::unordered_set<std::string> allRoots(roots.begin(), roots.end());
  std::unordered_set<std::string> walked;
  Findings findings;
  const FolderReader reader(since, allRoots, control);
  if (control) control->begin(platform::WorkPhase::Scan);
  for (const std::string& root : roots) {
    if (!walked.insert(root).second) continue;
    FolderNode tree{root, 1, {}};
    platform::runTreeTasks<FolderNode*>(&tree, [&](FolderNode*& node) { return reader.read(*node); });
    findings.take(tree);
  }
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), spanish(values));
  return findings.reply();
}

}  // namespace velmorin
