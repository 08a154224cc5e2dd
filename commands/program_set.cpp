#include "commands/program_set.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <thread>
#include <unordered_map>

#include "commands/backup_check.h"
#include "commands/backup_file.h"
#include "commands/program_file.h"
#include "commands/scan_roots.h"
#include "commands/sound_compare.h"
#include "vocabulary/text.h"
#include "platform/folder.h"
#include "platform/zip_entries.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

constexpr int kMaxDepth = 6;

Status tooLarge(const std::string& where) {
  return Status::said(Problem::Invalid, FailureText::TooManyToCompare, {where});
}

std::string nameOf(std::string_view path) { return std::string(path.substr(path.rfind('/') + 1)); }

// The set's reading so far, and what it may still take.
struct Reading {
  ProgramSet set;
  std::uint64_t bytes = 0;
  platform::WorkControl* control;

  bool add(std::string path, std::string inside, std::string extension, std::string data, ProgramCheck check) {
    bytes += data.size();
    if (bytes > kSetBytesLimit) return false;
    SetProgram program{std::move(path), std::move(inside), "", std::move(extension), std::move(data), check, {}, 0};
    program.fileName = nameOf(program.path);
    const ProgramHeader& header = program.check.header;
    if (!header.type.empty()) program.slot = slotText(program.extension, header.bank, header.location);
    set.programs.push_back(std::move(program));
    platform::advance(control, 1, set.programs.back().bytes.size());
    return true;
  }
};

Status readFolder(const std::string& root, Reading& reading) {
  struct Pending {
    std::string path;
    int depth;
  };
  std::vector<Pending> pending{{root, 1}};
  std::string bytes;
  while (!pending.empty()) {
    const Pending at = std::move(pending.back());
    pending.pop_back();
    const auto folder = platform::Folder::open(at.path, at.depth == 1);
    if (!folder) {
      if (at.depth == 1) return folder.status();
      continue;  // a subfolder that cannot be read is passed over, as the library does
    }
    // A folder's programs count only once it was read to its end.
    struct Found {
      std::string path, extension, bytes;
      ProgramCheck check;
    };
    std::vector<Found> found;
    std::vector<Pending> subfolders;
    std::size_t held = 0;
    bool full = false;
    const Status listed = folder->forEach([&](const char* entryName, platform::EntryKind kind) {
      const std::string_view name(entryName);
      if (full || name.empty() || name[0] == '.' || !isValidUtf8(name)) return;
      std::string extension = lowerExtension(name);
      std::string path = platform::childPath(at.path, entryName);
      if (kind == platform::EntryKind::Folder) {
        if (!isPackageFolder(extension) && at.depth < kMaxDepth) subfolders.push_back({std::move(path), at.depth + 1});
        return;
      }
      if (!isProgramExtension(extension)) return;
      bool read = false;
      const auto facts = folder->read(entryName, kCheckedFileLimit, kHeaderBytes, bytes, read);
      if (!facts || !read || facts->kind != platform::EntryKind::File) return;
      ProgramCheck check = checkProgram(extension, bytes, static_cast<std::uint64_t>(facts->size));
      held += bytes.size();
      full = held > kSetBytesLimit;
      found.push_back({std::move(path), std::move(extension), bytes, check});
    });
    if (!listed) {
      if (at.depth == 1) return listed;
      continue;
    }
    std::move(subfolders.begin(), subfolders.end(), std::back_inserter(pending));
    for (Found& program : found)
      if (!full)
        full = !reading.add(std::move(program.path), "", std::move(program.extension), std::move(program.bytes),
                            program.check);
    if (full) return tooLarge(root);
    if (platform::isCancelled(reading.control)) return Status::cancelled();
  }
  return {};
}

Status readBackup(const std::string& backup, Reading& reading) {
  const auto opened = openBackup(backup);
  if (!opened) return opened.status();
  if (!*opened) return Status::said(Problem::Invalid, FailureText::NeitherFolderNorBackup, {backup});
  bool full = false;
  std::string bytes;
  const platform::ZipFault fault = forEachBackupEntry(
      **opened,
      [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
        std::string extension = lowerExtension(nameOf(entry.name));
        if (!isProgramExtension(extension) || !isValidUtf8(entry.name)) return !platform::isCancelled(reading.control);
        const auto problem = data.read(kCheckedFileLimit, bytes);
        if (problem == platform::EntryProblem::OverLimit) return false;
        const ProgramCheck check = problem == platform::EntryProblem::None
                                       ? checkProgram(extension, bytes, entry.size)
                                       : checkBackupEntry(extension, problem, bytes, entry.size);
        full = !reading.add(entry.name, backup, std::move(extension), bytes, check);
        return !full && !platform::isCancelled(reading.control);
      });
  if (platform::isCancelled(reading.control)) return Status::cancelled();
  if (full) return tooLarge(backup);
  if (fault != platform::ZipFault::None) {
    reading.set.note = inQuotes(backup) + " could not be read to its end (" + std::string(backupProblem(fault)) +
                       "): only the programs before the damage were compared.";
    reading.set.noteEs = inQuotes(backup) + " no se pudo leer hasta el final (" + std::string(backupProblem(fault)) +
                         "): solo se compararon los programas anteriores al daño.";
  }
  return {};
}

std::uint64_t mix(std::uint64_t hash, std::string_view text) {
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  return (hash ^ 0xFF) * 0x100000001B3ull;  // ends the text: "ab"+"c" is not "a"+"bc"
}

// The sheet's settings, each hashed with its key and summed, so that two
// sheets with the same settings in another order agree; else the type and
// the bytes that make the sound.
std::uint64_t soundKeyOf(const Values& values, const SetProgram& program) {
  const sounds::Decoded decoded = sheetOf(values, program);
  if (!decoded.decoded())
    return mix(mix(0xCBF29CE484222325ull, program.extension), soundBytes(program.bytes, program.check.header.header));
  std::uint64_t sum = 0x5EE7;
  for (const sounds::Field& field : decoded.sheet) {
    std::uint64_t hash = mix(0xCBF29CE484222325ull, field.key);
    hash = mix(hash, std::string_view("bns").substr(field.value.index(), 1));
    if (const auto* on = std::get_if<bool>(&field.value)) hash = mix(hash, *on ? "1" : "0");
    else if (const auto* number = std::get_if<std::int64_t>(&field.value)) hash = mix(hash, std::to_string(*number));
    else hash = mix(hash, std::get<std::string>(field.value));
    sum += hash;
  }
  return sum;
}

// Decoding is most of the work: spread over the cores.
// The same bytes decode to the same sheet: a program the other collection
// holds unchanged is not decoded twice.
void fingerprint(const Values& values, std::vector<SetProgram>& programs, platform::WorkControl* control,
                 const ProgramSet* known) {
  std::unordered_map<std::string_view, const SetProgram*> seen;
  if (known)
    for (const SetProgram& program : known->programs) seen.emplace(program.bytes, &program);
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(64)) < programs.size() && !platform::isCancelled(control);) {
      const std::size_t end = std::min(programs.size(), i + 64);
      for (; i < end; ++i) {
        const auto same = seen.find(programs[i].bytes);
        programs[i].soundKey = same != seen.end() && same->second->extension == programs[i].extension
                                   ? same->second->soundKey
                                   : soundKeyOf(values, programs[i]);
      }
    }
  };
  std::vector<std::jthread> helpers;
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  for (unsigned t = 1; t < threads && programs.size() > 256; ++t) helpers.emplace_back(work);
  work();
}

}  // namespace

StatusOr<ProgramSet> readProgramSet(const Values& values, const std::string& where, platform::WorkControl* control,
                                    const ProgramSet* known) {
  const auto facts = platform::factsOf(where, true);
  if (!facts || facts->kind == platform::EntryKind::Missing)
    return Status::said(Problem::NotFound, FailureText::NotFound, {where});
  Reading reading{{}, 0, control};
  TRY(facts->kind == platform::EntryKind::Folder ? readFolder(where, reading) : readBackup(where, reading));
  fingerprint(values, reading.set.programs, control, known);
  if (platform::isCancelled(control)) return Status::cancelled();
  return std::move(reading.set);
}

sounds::Decoded sheetOf(const Values& values, const SetProgram& program) {
  return decodeProgram(values, program.extension, program.bytes);
}

}  // namespace velmorin
