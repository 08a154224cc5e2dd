#include "commands/same_content.h"

#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>

#include "commands/backup_check.h"
#include "commands/backup_file.h"
#include "commands/program_header.h"
#include "platform/folder.h"
#include "platform/zip_entries.h"

namespace velmorin {

namespace {

constexpr std::size_t kContentsPerGroup = 16;

// The bytes of each candidate, each backup read once for all of its own.
std::vector<std::optional<std::string>> readCandidates(std::span<const ContentCandidate> candidates,
                                                       platform::WorkControl* control) {
  std::vector<std::optional<std::string>> bytes(candidates.size());
  std::uint64_t held = 0;
  const auto keep = [&](std::size_t i, std::string data) {
    held += data.size();
    if (held <= kContentBytesLimit) bytes[i] = std::move(data);
  };
  std::map<std::string, std::unordered_map<std::size_t, std::size_t>> backups;  // backup -> entry -> candidate
  for (std::size_t i = 0; i < candidates.size() && !platform::isCancelled(control); ++i) {
    const ContentCandidate& candidate = candidates[i];
    if (!candidate.inside.empty()) {
      backups[candidate.inside][candidate.entry] = i;
      continue;
    }
    const std::filesystem::path file(candidate.path);
    const auto folder = platform::Folder::open(file.parent_path().string(), true);
    if (!folder) continue;
    std::string data;
    bool read = false;
    const auto facts = folder->read(file.filename().c_str(), kCheckedFileLimit, kHeaderBytes, data, read);
    if (facts && read && static_cast<std::uint64_t>(facts->size) == data.size()) keep(i, std::move(data));
  }
  for (const auto& byBackup : backups) {
    // Named apart: a lambda below uses it, and clang cannot capture a structured binding.
    const auto& backup = byBackup.first;
    const auto& wanted = byBackup.second;
    if (platform::isCancelled(control)) break;
    const auto opened = openBackup(backup);
    if (!opened || !*opened) continue;
    std::size_t entry = 0, found = 0;
    std::string data;
    (void)forEachBackupEntry(
        **opened,
        [&](const platform::ZipEntry&, const platform::ZipEntryReader& reader) {
          const auto it = wanted.find(entry++);
          if (it == wanted.end()) return true;
          if (reader.read(kCheckedFileLimit, data) == platform::EntryProblem::None) keep(it->second, data);
          return ++found < wanted.size() && !platform::isCancelled(control);
        });
  }
  return bytes;
}

}  // namespace

std::vector<int> sameContentNumbers(std::span<const ContentCandidate> candidates, platform::WorkControl* control) {
  const std::vector<std::optional<std::string>> bytes = readCandidates(candidates, control);
  std::vector<int> numbers(candidates.size(), 0);
  // Each group's contents so far: the candidate that first held each.
  std::unordered_map<std::uint64_t, std::vector<std::size_t>> firsts;
  int next = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (!bytes[i]) continue;
    std::vector<std::size_t>& seen = firsts[candidates[i].group];
    for (const std::size_t first : seen)
      if (*bytes[first] == *bytes[i]) {
        numbers[i] = numbers[first];
        break;
      }
    // Many unlike contents behind one CRC are made on purpose; past a few, none is matched.
    if (numbers[i] == 0 && seen.size() < kContentsPerGroup) {
      numbers[i] = ++next;
      seen.push_back(i);
    }
  }
  return numbers;
}

}  // namespace velmorin
