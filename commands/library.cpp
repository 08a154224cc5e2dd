// The program library: every program, piano, sample and preset file around
// the usual folders (or one given folder), inside the maker's backups too,
// each with what its header says and whether it is intact. Folders are read
// by a few threads at once; the list is sorted by path at the end.
#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "commands/backup_check.h"
#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/install_plan.h"
#include "commands/program_source.h"
#include "commands/program_header.h"
#include "commands/same_content.h"
#include "commands/scan_roots.h"
#include "commands/sound_file.h"
#include "commands/sound_names.h"
#include "commands/sound_summary.h"
#include "sound/decode.h"
#include "sound/layout.h"
#include "vocabulary/json_elements.h"
#include "vocabulary/json_writer.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "platform/checksum.h"
#include "platform/folder.h"
#include "platform/tree_workers.h"
#include "platform/zip_entries.h"

namespace velmorin {

namespace {

constexpr int kMaxDepth = 6;
constexpr std::size_t kMaxListed = 50'000;
struct Program {
  std::string path;    // the file; for one inside a backup, its name in there
  std::string inside;  // the backup's path, or ""
  std::string extension;
  ProgramCheck check;
  std::uint64_t size = 0;
  double modifiedMs = 0;
  // Identical content has the same size and CRC; only for files read whole.
  bool readWhole = false;
  bool own = false;  // a copy an install made (our archives are ZIP files, which are not read)
  std::unique_ptr<SoundFacts> sound{};  // what plays, where the model's layout is known
  std::unique_ptr<SoundFileHeader> soundFile{};  // a piano's or sample's own name and version
  std::uint32_t crc = 0;
  std::size_t entry = 0;  // inside a backup: its place among the backup's file entries
  int dup = 0;  // shared by programs with identical content, else 0
};

std::string_view fileNameOf(const Program& program) {
  const std::string_view path = program.path;
  return path.substr(path.rfind('/') + 1);  // npos + 1 is the whole name
}

// What a folder holds, for its row in the list of folders.
struct FolderSummary {
  std::int64_t count = 0;
  std::int64_t own = 0;  // of them, our own copies
  std::map<std::string, std::int64_t> loose;  // program files directly in it (not in backups), by extension
  std::set<std::string> models;
  double newest = -std::numeric_limits<double>::infinity();  // of its programs' times; any beats it
};

template <class Programs>
FolderSummary summarize(const Programs& programs) {
  FolderSummary summary;
  for (const Program& program : programs) {
    ++summary.count;
    summary.own += program.own ? 1 : 0;
    if (program.inside.empty() && PROG_EXT.contains(program.extension)) ++summary.loose[program.extension];
    if (std::string model = modelOfType(program.extension); !model.empty()) summary.models.insert(std::move(model));
    summary.newest = std::max(summary.newest, program.modifiedMs);
  }
  return summary;
}

struct Task {
  std::string path;
  int depth;
};

// Whether the folder `path` is, or lies in, an install's programs folder (its
// banks are subfolders): what is there are copies the install made.
bool insideProgramsFolder(std::string_view path) {
  for (int level = 0; level < kMaxBankDepth && !path.empty(); ++level) {
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return false;
    if (isProgramsFolderName(path.substr(slash + 1))) return true;
    path = path.substr(0, slash);
  }
  return false;
}

ProgramCheck checkBytes(const std::string& extension, const std::string* bytes, std::uint64_t size, Program& program) {
  if (!bytes) return {{}, Verdict::Unknown, ""};  // could not be read: nothing to tell
  if (size <= kCheckedFileLimit && bytes->size() == size) {
    program.readWhole = true;
    program.crc = platform::crc32Of(*bytes);
  }
  return checkProgram(extension, *bytes, size);
}

class LibraryWalk {
 public:
  LibraryWalk(const Values& values, long double sinceMs, const std::unordered_set<std::string>& roots,
              platform::WorkControl* control)
      : values_(values),
        spanish_(spanish(values)),
        soundNames_(soundNamer(values.soundsTable)),
        sinceMs_(sinceMs),
        roots_(roots),
        control_(control) {}

  std::vector<Task> read(const Task& task) {
    std::vector<Task> subfolders;
    if (platform::isCancelled(control_)) return subfolders;
    platform::advance(control_, 1);
    const auto folder = platform::Folder::open(task.path, task.depth == 1);
    if (!folder) return subfolders;
    std::vector<Program> found;
    found.reserve(64);  // most folders hold fewer: not moved as it grows
    std::size_t unlisted = 0;
    const bool ownFolder = insideProgramsFolder(task.path);
    std::string bytes;  // one buffer for the folder's files
    const Status listed = folder->forEach([&](const char* entryName, platform::EntryKind kind) {
      if (entryName[0] == '.') return;
      const std::string_view name(entryName);
      std::string extension = lowerExtension(name);
      if (kind != platform::EntryKind::Folder && !isProgramExtension(extension) && !isBackupExtension(extension)) return;
      std::string path = platform::childPath(task.path, entryName);
      if (kind == platform::EntryKind::Folder) {
        // Names that are not UTF-8 could not be reported; links are never followed.
        if (isValidUtf8(name) && !isPackageFolder(extension) && !roots_.contains(path) && task.depth < kMaxDepth)
          subfolders.push_back({std::move(path), task.depth + 1});
        return;
      }
      // A name that is not UTF-8 could not be reported as it is, nor opened
      // again by the name the reply would give: counted, not listed.
      if (!isValidUtf8(name)) {
        ++unlisted;
        return;
      }
      if (isProgramExtension(extension)) {
        // Opened and read at once, its facts from the open file; one that
        // cannot be opened is listed by its facts alone.
        bool read = false;
        auto facts = folder->read(entryName, kCheckedFileLimit, headerReadBytes(extension), bytes, read);
        if (!facts) facts = folder->facts(entryName, false);
        if (!facts || facts->kind != platform::EntryKind::File || facts->modifiedMs < sinceMs_) return;
        const auto size = static_cast<std::uint64_t>(facts->size);
        Program entry{std::move(path), "", std::move(extension), {}, size, static_cast<double>(facts->modifiedMs)};
        entry.check = checkBytes(entry.extension, read ? &bytes : nullptr, size, entry);
        if (entry.readWhole) hear(entry, bytes);
        if (read) readSoundFile(entry, bytes);
        entry.own = ownFolder;
        found.push_back(std::move(entry));
        return;
      }
      readBackup(*folder, entryName, std::move(path), std::move(extension), found, unlisted);
    });
    if (!listed) return {};
    take(task.path, found, unlisted);
    return subfolders;
  }

  // The programs listed, a batch per folder or backup, how many were found
  // in all, and the folders that hold the listed ones.
  std::vector<std::vector<Program>> programs() { return std::move(programs_); }
  std::map<std::string, FolderSummary> folders() { return std::move(folders_); }
  std::size_t found() const { return found_; }
  std::size_t unlisted() const { return unlisted_; }

 private:
  // What a program read whole plays, where its model's layout is known.
  void hear(Program& program, const std::string& bytes) const {
    if (!sounds::layoutFor(program.extension)) return;
    const sounds::Decoded decoded = sounds::decodeWhatPlays(
        program.extension, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, soundNames_);
    if (decoded.decoded()) program.sound = std::make_unique<SoundFacts>(soundFacts(decoded.sheet, spanish_));
  }

  static void readSoundFile(Program& program, const std::string& bytes) {
    const std::string_view kind = soundKindOf(program.extension);
    if (!kind.empty()) program.soundFile = std::make_unique<SoundFileHeader>(readSoundHeader(kind, bytes));
  }

  // Opened once, and read from that descriptor: what is swapped in for it
  // meanwhile, a FIFO or a link, is never opened.
  void readBackup(const platform::Folder& folder, const char* name, std::string backup, std::string extension,
                  std::vector<Program>& found, std::size_t& unlisted) const {
    const auto opened = folder.openFile(name);
    if (!opened || !opened->fd.valid()) return;
    const int fd = opened->fd.get();
    const auto size = static_cast<std::uint64_t>(opened->st.st_size);
    const double modifiedMs = static_cast<double>(opened->st.st_mtim.tv_sec) * 1000.0 + opened->st.st_mtim.tv_nsec / 1e6;
    if (modifiedMs < sinceMs_ || !platform::startsLikeZip(fd)) return;
    // A damaged backup lists what could be read before the damage, then itself.
    std::string bytes;
    std::size_t ordinal = 0;
    const platform::ZipFault fault = platform::forEachZipEntry(
        fd, size, kBackupLimits, [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
          const std::size_t place = ordinal++;
          const auto slash = entry.name.rfind('/');
          const std::string fileName = slash == std::string::npos ? entry.name : entry.name.substr(slash + 1);
          std::string type = lowerExtension(fileName);
          if (!isProgramExtension(type)) return !platform::isCancelled(control_);
          if (!isValidUtf8(entry.name)) {
            ++unlisted;
            return !platform::isCancelled(control_);
          }
          const auto problem = data.read(entry.size <= kCheckedFileLimit ? entry.size : headerReadBytes(type), bytes);
          if (problem == platform::EntryProblem::OverLimit) return false;
          Program program{entry.name, backup, std::move(type), {}, entry.size, static_cast<double>(entry.modifiedMs)};
          program.entry = place;
          program.check = problem == platform::EntryProblem::None
                              ? checkBytes(program.extension, &bytes, entry.size, program)
                              : checkBackupEntry(program.extension, problem, bytes, entry.size);
          if (program.readWhole) hear(program, bytes);
          readSoundFile(program, bytes);
          found.push_back(std::move(program));
          return !platform::isCancelled(control_);
        });
    if (fault != platform::ZipFault::None)
      found.push_back(Program{std::move(backup), "", std::move(extension), {{}, Verdict::Damaged, backupProblem(fault)}, size,
                              modifiedMs});
  }

  // A folder's programs, summed up before the lock; near the limit only
  // those that are listed count.
  void take(const std::string& folder, std::vector<Program>& found, std::size_t unlisted) {
    if (found.empty() && unlisted == 0) return;
    FolderSummary summary = summarize(found);
    const std::lock_guard lock(mutex_);
    unlisted_ += unlisted;
    if (found.empty()) return;
    found_ += found.size();
    const std::size_t listed = std::min(found.size(), kMaxListed - listed_);
    if (listed == 0) return;
    if (listed < found.size()) {
      summary = summarize(std::span(found).first(listed));
      found.erase(found.begin() + static_cast<std::ptrdiff_t>(listed), found.end());
    }
    // Taken whole: moving thousands of programs into one list would copy
    // them again at every growth, with every other reader waiting.
    listed_ += listed;
    programs_.push_back(std::move(found));
    FolderSummary& into = folders_[folder];
    into.count += summary.count;
    into.own += summary.own;
    for (const auto& [ext, count] : summary.loose) into.loose[ext] += count;
    into.models.merge(summary.models);
    into.newest = std::max(into.newest, summary.newest);
  }

  const Values& values_;
  const bool spanish_;
  const std::function<std::string(std::uint32_t)> soundNames_;
  long double sinceMs_;
  const std::unordered_set<std::string>& roots_;
  platform::WorkControl* control_;
  std::mutex mutex_;
  std::vector<std::vector<Program>> programs_;
  std::size_t listed_ = 0;
  std::map<std::string, FolderSummary> folders_;
  std::size_t found_ = 0;
  std::size_t unlisted_ = 0;
};

// One program, its members in sorted order.
void writeProgram(JsonWriter& out, const Program& program) {
  const ProgramHeader& header = program.check.header;
  const bool read = program.check.headerReadable();
  out.beginObject();
  out.key("bank"), out.number(header.bank);
  out.key("category"), out.text(read ? categoryName(header.categoryCode) : "");
  out.key("categoryCode"), out.number(header.categoryCode);
  out.key("check"), out.text(verdictText(program.check.check));
  out.key("dup"), out.number(program.dup);
  out.key("ext"), out.text(program.extension);
  out.key("header"), out.number(header.header);
  out.key("inside"), out.text(program.inside);
  const std::string_view kind = soundKindOf(program.extension);
  // A backup is listed by itself only when it could not be read to its end.
  out.key("kind"), out.text(!kind.empty() ? kind : isBackupExtension(program.extension) ? "backup" : "program");
  out.key("location"), out.number(header.location);
  out.key("model"), out.text(modelOfType(program.extension));
  out.key("mtime"), out.number(program.modifiedMs);
  out.key("name"), out.text(programName(fileNameOf(program)));
  out.key("own"), out.boolean(program.own);
  out.key("path"), out.text(program.path);
  out.key("problem"), out.text(program.check.problem);
  out.key("size"), out.number(program.size);
  out.key("slot"), out.text(read ? slotText(program.extension, header.bank, header.location) : "");
  out.key("sound");
  if (program.sound) {
    const SoundFacts& sound = *program.sound;
    out.beginObject();
    out.key("organ"), out.text(sound.organ);
    out.key("piano"), out.text(sound.piano);
    out.key("pianoName"), out.text(sound.pianoName);
    out.key("sampleName"), out.text(sound.sampleName);
    out.key("summary"), out.text(sound.summary);
    out.key("synth"), out.text(sound.synth);
    out.endObject();
  } else {
    out.value(nullptr);
  }
  out.key("soundName"), out.text(program.soundFile ? program.soundFile->name : "");
  out.key("soundVersion"), out.text(program.soundFile ? program.soundFile->version : "");
  out.key("type"), out.text(header.type);
  out.key("version"), out.number(header.version);
  out.endObject();
}

}  // namespace

LongReply library(const Values& values, double since, const std::optional<std::string>& dir,
                  platform::WorkControl* control) {
  const std::vector<std::string> roots = libraryRoots(values, dir);
  const std::unordered_set<std::string> allRoots(roots.begin(), roots.end());
  std::vector<Task> tasks;
  for (const std::string& root : allRoots) tasks.push_back({root, 1});
  LibraryWalk walk(values, since, allRoots, control);
  if (control) control->begin(platform::WorkPhase::Scan);
  platform::runTreeTasks<Task>(std::move(tasks), [&](Task& task) { return walk.read(task); });
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), spanish(values));

  // Listed in path order; the programs themselves stay where the walk put them.
  struct Listed {
    std::vector<std::vector<Program>> batches;
    std::vector<Program*> inOrder;
  };
  auto listed = std::make_shared<Listed>();
  listed->batches = walk.programs();
  auto& inOrder = listed->inOrder;
  {
    // Sorted by keys side by side, not through each program: thousands of
    // programs lie all over the memory.
    struct Key {
      std::string_view place, path;
      Program* program;
    };
    std::vector<Key> keys;
    for (std::vector<Program>& batch : listed->batches)
      for (Program& program : batch)
        keys.push_back({program.inside.empty() ? program.path : program.inside, program.path, &program});
    std::sort(keys.begin(), keys.end(),
              [](const Key& a, const Key& b) { return std::tie(a.place, a.path) < std::tie(b.place, b.path); });
    inOrder.reserve(keys.size());
    for (const Key& key : keys) inOrder.push_back(key.program);
  }

  // Content seen more than once gets a number, in list order. Only files of
  // at most 1 MiB are read whole, so their size and CRC fit in one number;
  // those that share it are read again and told apart by their bytes.
  const auto contentOf = [](const Program& program) { return program.size << 32 | program.crc; };
  std::unordered_map<std::uint64_t, int> seen;
  seen.reserve(inOrder.size());
  for (const Program* program : inOrder)
    if (program->readWhole) ++seen[contentOf(*program)];
  std::vector<Program*> alike;
  std::vector<ContentCandidate> candidates;
  std::int64_t damaged = 0;
  for (Program* program : inOrder) {
    damaged += program->check.check == Verdict::Damaged ? 1 : 0;
    if (!program->readWhole || seen[contentOf(*program)] < 2) continue;
    alike.push_back(program);
    candidates.push_back({program->inside.empty() ? program->path : "", program->inside, program->entry,
                          contentOf(*program)});
  }
  const std::vector<int> contents = sameContentNumbers(candidates, control);
  if (platform::isCancelled(control)) return failureReply(Status::cancelled(), spanish(values));
  std::unordered_map<int, int> copies, numbers;
  for (const int content : contents) ++copies[content];
  for (std::size_t i = 0; i < alike.size(); ++i)
    if (contents[i] != 0 && copies[contents[i]] > 1)
      alike[i]->dup = numbers.try_emplace(contents[i], static_cast<int>(numbers.size()) + 1).first->second;
  const std::map<std::string, FolderSummary> folders = walk.folders();
  std::vector<std::pair<std::string_view, const FolderSummary*>> byDate;
  for (const auto& [path, summary] : folders) byDate.emplace_back(path, &summary);
  std::stable_sort(byDate.begin(), byDate.end(), [](const auto& a, const auto& b) { return a.second->newest > b.second->newest; });
  Json folderList = Json::array();
  for (const auto& [path, summary] : byDate)
    folderList.push_back({{"dir", path},
                          {"count", summary->count},
                          {"models", summary->models},
                          {"newest", summary->newest},
                          {"own", summary->own == summary->count},
                          {"programs", summary->loose}});

  // The list is written as text when the reply is: as a JSON tree it would
  // take several times the memory and most of the time.
  LongReply reply(Reply{{"ok", true},
                        {"folders", std::move(folderList)},
                        {"damaged", damaged},
                        {"total", static_cast<std::int64_t>(inOrder.size())},
                        {"truncated", walk.found() > inOrder.size()},
                        {"unlisted", static_cast<std::int64_t>(walk.unlisted())}});
  reply.listKey = "programs";
  reply.writeList = [listed](JsonWriter& out) {
    out.beginArray();
    writeElements(out, listed->inOrder.size(),
                  [&](JsonWriter& into, std::size_t i) { writeProgram(into, *listed->inOrder[i]); });
    out.endArray();
  };
  return reply;
}

}  // namespace velmorin
