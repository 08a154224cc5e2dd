// The program library: every program, piano, sample and preset file around
// the usual folders (or one given folder), inside the maker's backups too,
// each with what its header says and whether it is intact. Folders are read
// by a few threads at once; the list is sorted by path at the end.
#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/program_header.h"
#include "commands/scan_roots.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "platform/checksum.h"
#include "platform/folder.h"
#include "platform/tree_workers.h"
#include "platform/zip_reader.h"

namespace velmorin {

namespace {

constexpr int kMaxDepth = 6;
constexpr std::size_t kMaxListed = 50'000;
struct Program {
  std::string path;    // the file; for one inside a backup, its name in there
  std::string inside;  // the backup's path, or ""
  std::string folder;  // the folder on disk it was found in
  std::string fileName;
  std::string extension;
  ProgramCheck check;
  std::uint64_t size = 0;
  long double modifiedMs = 0;
  // Identical content shares this; only for files read whole.
  std::optional<std::pair<std::uint64_t, std::uint32_t>> content;
};

struct Task {
  std::string path;
  int depth;
};

ProgramCheck checkBytes(const std::string& extension, const std::string* bytes, std::uint64_t size, Program& program) {
  if (!bytes) return {{}, "unknown", ""};  // could not be read: nothing to tell
  if (size <= kCheckedFileLimit && bytes->size() == size)
    program.content = std::pair{size, platform::crc32Of(*bytes)};
  return checkProgram(extension, *bytes, size);
}

class LibraryWalk {
 public:
  LibraryWalk(long double sinceMs, const std::unordered_set<std::string>& roots, platform::WorkControl* control)
      : sinceMs_(sinceMs), roots_(roots), control_(control) {}

  std::vector<Task> read(const Task& task) {
    std::vector<Task> subfolders;
    if (platform::isCancelled(control_)) return subfolders;
    platform::advance(control_, 1);
    const auto folder = platform::Folder::open(task.path, task.depth == 1);
    if (!folder) return subfolders;
    std::vector<Program> found;
    std::string bytes;  // one buffer for the folder's files
    (void)folder->forEach([&](const char* entryName, platform::EntryKind kind) {
      if (entryName[0] == '.') return;
      const std::string_view name(entryName);
      const std::string extension = lowerExtension(name);
      if (kind != platform::EntryKind::Folder && !isProgramExtension(extension) && !isBackupExtension(extension)) return;
      const std::string path = (task.path == "/" ? "/" : task.path + "/") + entryName;
      if (kind == platform::EntryKind::Folder) {
        // Names that are not UTF-8 could not be reported; links are never followed.
        if (isValidUtf8(name) && !isPackageFolder(extension) && !roots_.contains(path) && task.depth < kMaxDepth)
          subfolders.push_back({path, task.depth + 1});
        return;
      }
      if (isProgramExtension(extension)) {
        // Opened and read at once, its facts from the open file; one that
        // cannot be opened is listed by its facts alone.
        bool read = false;
        auto facts = folder->read(entryName, kCheckedFileLimit, kHeaderBytes, bytes, read);
        if (!facts) facts = folder->facts(entryName, true);
        if (!facts || facts->kind != platform::EntryKind::File || facts->modifiedMs < sinceMs_) return;
        const auto size = static_cast<std::uint64_t>(facts->size);
        Program entry{path, "", task.path, std::string(name), extension, {}, size, facts->modifiedMs, std::nullopt};
        entry.check = checkBytes(extension, read ? &bytes : nullptr, size, entry);
        found.push_back(std::move(entry));
        return;
      }
      const auto facts = folder->facts(entryName, true);
      if (!facts || facts->kind != platform::EntryKind::File || facts->modifiedMs < sinceMs_) return;
      if (platform::looksLikeZip(path)) {
        readBackup(path, task.path, found);
      }
    });
    take(found);
    return subfolders;
  }

  // The programs listed, sorted by path, and how many were found in all.
  std::vector<Program> programs() {
    std::sort(programs_.begin(), programs_.end(), [](const Program& a, const Program& b) {
      return std::tie(a.inside.empty() ? a.path : a.inside, a.path) < std::tie(b.inside.empty() ? b.path : b.inside, b.path);
    });
    return std::move(programs_);
  }
  std::size_t found() const { return found_; }

 private:
  void readBackup(const std::string& backup, const std::string& folder, std::vector<Program>& found) const {
    // A damaged backup lists what could be read before the damage.
    (void)platform::forEachZipEntry(backup, [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
      const auto slash = entry.name.rfind('/');
      const std::string fileName = slash == std::string::npos ? entry.name : entry.name.substr(slash + 1);
      const std::string extension = lowerExtension(fileName);
      if (!isProgramExtension(extension)) return !platform::isCancelled(control_);
      Program program{entry.name, backup, folder, fileName, extension, {}, entry.size, entry.modifiedMs, std::nullopt};
      const auto bytes = data.read(entry.size <= kCheckedFileLimit ? entry.size : kHeaderBytes);
      if (bytes) {
        program.check = checkBytes(extension, &*bytes, entry.size, program);
      } else {
        program.check = {{}, "damaged", "crc"};  // the archive's own check failed
      }
      found.push_back(std::move(program));
      return !platform::isCancelled(control_);
    });
  }

  void take(std::vector<Program>& found) {
    const std::lock_guard lock(mutex_);
    found_ += found.size();
    for (Program& program : found) {
      if (programs_.size() == kMaxListed) break;
      programs_.push_back(std::move(program));
    }
  }

  long double sinceMs_;
  const std::unordered_set<std::string>& roots_;
  platform::WorkControl* control_;
  std::mutex mutex_;
  std::vector<Program> programs_;
  std::size_t found_ = 0;
};

// Built member by member, its texts moved in: an initializer list would make
// each pair a two-element array first, a third of the reply's time.
Json programJson(Program& program, int dup) {
  const ProgramHeader& header = program.check.header;
  const bool read = program.check.check == "ok" || program.check.check == "unchecked" ||
                    (program.check.check == "damaged" && !header.type.empty());
  Json json = Json::object();
  auto& members = json.get_ref<Json::object_t&>();
  members.emplace("name", programName(program.fileName));
  members.emplace("model", modelOfType(program.extension));
  members.emplace("category", read ? categoryName(header.categoryCode) : "");
  members.emplace("slot", read ? slotText(program.extension, header.bank, header.location) : "");
  members.emplace("header", header.header);
  members.emplace("categoryCode", header.categoryCode);
  members.emplace("bank", header.bank);
  members.emplace("location", header.location);
  members.emplace("version", header.version);
  members.emplace("size", program.size);
  members.emplace("mtime", static_cast<double>(program.modifiedMs));
  members.emplace("dup", dup);
  members.emplace("path", std::move(program.path));
  members.emplace("inside", std::move(program.inside));
  members.emplace("ext", std::move(program.extension));
  members.emplace("type", std::move(program.check.header.type));
  members.emplace("check", std::move(program.check.check));
  members.emplace("problem", std::move(program.check.problem));
  return json;
}

struct FolderSummary {
  std::int64_t count = 0;
  std::set<std::string> models;
  long double newest = 0;
  bool any = false;
};

}  // namespace

Reply library(const Values& values, double since, const std::optional<std::string>& dir,
              platform::WorkControl* control) {
  const std::vector<std::string> roots = scanRoots(values, dir);
  const std::unordered_set<std::string> allRoots(roots.begin(), roots.end());
  std::unordered_set<std::string> walked;
  LibraryWalk walk(since, allRoots, control);
  if (control) control->begin(platform::WorkPhase::Scan);
  for (const std::string& root : roots) {
    if (!walked.insert(root).second) continue;
    platform::runTreeTasks<Task>(Task{root, 1}, [&](Task& task) { return walk.read(task); });
  }
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), spanish(values));

  std::vector<Program> programs = walk.programs();
  // Content seen more than once gets a number, in list order.
  std::map<std::pair<std::uint64_t, std::uint32_t>, int> seen, numbers;
  for (const Program& program : programs)
    if (program.content) ++seen[*program.content];
  Json list = Json::array();
  list.get_ref<Json::array_t&>().reserve(programs.size());
  std::map<std::string, FolderSummary> folders;
  std::int64_t damaged = 0;
  for (Program& program : programs) {
    int dup = 0;
    if (program.content && seen[*program.content] > 1) {
      const auto [it, added] = numbers.try_emplace(*program.content, static_cast<int>(numbers.size()) + 1);
      dup = it->second;
    }
    damaged += program.check.check == "damaged" ? 1 : 0;
    FolderSummary& folder = folders[program.folder];
    ++folder.count;
    if (const std::string model = modelOfType(program.extension); !model.empty()) folder.models.insert(model);
    folder.newest = folder.any ? std::max(folder.newest, program.modifiedMs) : program.modifiedMs;
    folder.any = true;
    list.push_back(programJson(program, dup));  // takes the program's texts
  }
  std::vector<std::pair<std::string, FolderSummary>> byDate(folders.begin(), folders.end());
  std::stable_sort(byDate.begin(), byDate.end(), [](const auto& a, const auto& b) { return a.second.newest > b.second.newest; });
  Json folderList = Json::array();
  for (const auto& [path, summary] : byDate)
    folderList.push_back({{"dir", path},
                          {"count", summary.count},
                          {"models", summary.models},
                          {"newest", static_cast<double>(summary.newest)}});
  return {{"ok", true},
          {"programs", std::move(list)},
          {"folders", std::move(folderList)},
          {"damaged", damaged},
          {"total", static_cast<std::int64_t>(programs.size())},
          {"truncated", walk.found() > programs.size()}};
}

}  // namespace velmorin
