// The program scan: walks up to two folder levels below each root, reading each
// folder once with its entries' types and asking for the date and size only of
// files that could be a program list or a program file.
#include <fcntl.h>
#include <sys/stat.h>

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "commands/commands.h"
#include "commands/scan_roots.h"
#include "commands/text_util.h"
#include "platform/folder_reader.h"

namespace velmorin {

namespace {

constexpr int kMaxDepth = 3;
constexpr std::string_view kPackageExtensions[] = {"app",       "bundle",   "framework", "photoslibrary", "musiclibrary",
                                                   "tvlibrary", "pkg",      "logicx",    "band"};
// Entries without a date sort before every threshold of 0 or more: the year 1.
constexpr long double kDistantPastMs = -62135596800000.0L;

bool isPackage(std::string_view extension) {
  for (const auto package : kPackageExtensions)
    if (extension == package) return true;
  return false;
}

bool isListName(std::string_view name, std::string_view extension) {
  return (extension == "html" || extension == "htm") && lowerAscii(name).find("program") != std::string::npos;
}

long double modifiedMs(const struct stat& st) {
  return static_cast<long double>(st.st_mtim.tv_sec) * 1000.0L + st.st_mtim.tv_nsec / 1e6L;
}

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
};

class Scan {
 public:
  explicit Scan(double since) : sinceMs_(since) {}

  void root(const std::string& path) {
    if (!visited_.insert(path).second) return;
    platform::UniqueFd fd(platform::openFolderAt(AT_FDCWD, path.c_str(), true));
    if (fd.valid()) walk(fd.get(), path, 1);
  }

  Reply reply() const;

 private:
  void walk(int folderFd, const std::string& folder, int depth);
  void takeFile(int folderFd, const std::string& folder, const std::string& name, bool isLink);
  void enter(int folderFd, const std::string& folder, const std::string& name, int depth);

  long double sinceMs_;
  std::unordered_set<std::string> visited_;
  std::vector<ListCandidate> lists_;
  std::vector<TallyEntry> tally_;                     // in order of discovery
  std::unordered_map<std::string, std::size_t> tallyIndex_;  // "folder|ext" -> index
};

void Scan::walk(int folderFd, const std::string& folder, int depth) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::readFolder(folderFd, entries)) return;
  for (const auto& entry : entries) {
    // Hidden entries are not the user's programs; names that are not UTF-8
    // could not be reported.
    if (entry.name[0] == '.' || !isValidUtf8(entry.name)) continue;
    unsigned char type = entry.type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (fstatat(folderFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR) {
      enter(folderFd, folder, entry.name, depth);
    } else {
      takeFile(folderFd, folder, entry.name, type == DT_LNK);
    }
  }
}

void Scan::enter(int folderFd, const std::string& folder, const std::string& name, int depth) {
  if (isPackage(lowerExtension(name))) return;
  std::string path = folder == "/" ? "/" + name : folder + "/" + name;
  if (!visited_.insert(path).second) return;
  if (depth + 1 > kMaxDepth) return;
  platform::UniqueFd fd(platform::openFolderAt(folderFd, name.c_str(), false));
  if (fd.valid()) walk(fd.get(), path, depth + 1);
}

void Scan::takeFile(int folderFd, const std::string& folder, const std::string& name, bool isLink) {
  const std::string extension = lowerExtension(name);
  const bool list = isListName(name, extension);
  if (!list && !PROG_EXT.contains(extension)) return;

  struct stat st {};
  const bool known = fstatat(folderFd, name.c_str(), &st, 0) == 0;
  // A link to a folder is not walked (no loops, nothing outside the tree) and
  // is neither a list nor a program file.
  if (known && isLink && S_ISDIR(st.st_mode)) return;
  const long double dateMs = known ? modifiedMs(st) : kDistantPastMs;
  if (dateMs < sinceMs_) return;

  const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
  if (list) {
    lists_.push_back({path, name, dateMs, known ? static_cast<std::int64_t>(st.st_size) : 0});
    return;
  }
  const std::string key = folder + "|" + extension;
  const auto [it, added] = tallyIndex_.try_emplace(key, tally_.size());
  if (added) tally_.push_back({folder, extension, 0});
  ++tally_[it->second].count;
}

// The folder's full count of one extension: hidden and old entries included.
void countInFolder(const std::string& folder, const std::string& extension, std::int64_t& count,
                   std::int64_t& size) {
  count = size = 0;
  platform::UniqueFd fd(platform::openFolderAt(AT_FDCWD, folder.c_str(), true));
  std::vector<platform::FolderEntry> entries;
  if (!fd.valid() || !platform::readFolder(fd.get(), entries)) return;
  for (const auto& entry : entries) {
    if (lowerExtension(entry.name) != extension) continue;
    ++count;
    struct stat st {};
    if (fstatat(fd.get(), entry.name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode)) size += st.st_size;
  }
}

std::string listModel(const std::string& name) {
  const auto at = name.find(" Program");
  return at == std::string::npos ? name : name.substr(0, at);
}

Reply Scan::reply() const {
  Reply reply = Reply::object();
  if (!lists_.empty()) {
    const ListCandidate* newest = &lists_.front();
    for (const auto& candidate : lists_)
      if (candidate.dateMs > newest->dateMs) newest = &candidate;
    reply["list"] = {{"path", newest->path},
                     {"name", newest->name},
                     {"model", listModel(newest->name)},
                     {"size", newest->size}};
  }
  if (!tally_.empty()) {
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
  }
  return reply;
}

}  // namespace

Reply scan(const Values& values, double since, const std::optional<std::string>& dir) {
  Scan scan(since);
  for (const std::string& root : scanRoots(values, dir)) scan.root(root);
  return scan.reply();
}

}  // namespace velmorin
