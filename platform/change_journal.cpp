#include "platform/change_journal.h"
#include "platform/whole_io.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/file_copy.h"
#include "platform/folder_reader.h"
#include "platform/trash.h"

namespace velmorin::platform {

namespace {

constexpr const char* kJournal = ".velmorin-journal";
constexpr const char* kJournalDraft = ".velmorin-journal.new";
constexpr std::size_t kJournalLimit = 1 << 20;
constexpr const char* kHeader = "velmorin-journal 1\n";
constexpr const char* kPrepared = "prepared";
constexpr const char* kCommitted = "committed";

struct Record {
  std::string state;
  std::vector<Replacement> items;
  std::vector<std::string> retire;
};

// Names may hold any byte but "/" and NUL, newlines included: each is
// written with its length first.
void put(std::string& out, const std::string& text) { out += std::to_string(text.size()) + ":" + text + " "; }

bool take(const std::string& in, std::size_t& at, std::string& text) {
  const std::size_t colon = in.find(':', at);
  if (colon == std::string::npos || colon == at || colon - at > 9) return false;
  std::size_t length = 0;
  for (std::size_t i = at; i < colon; ++i) {
    if (in[i] < '0' || in[i] > '9') return false;
    length = length * 10 + static_cast<std::size_t>(in[i] - '0');
  }
  if (colon + 1 + length + 1 > in.size() || in[colon + 1 + length] != ' ') return false;
  text = in.substr(colon + 1, length);
  at = colon + 1 + length + 1;
  return true;
}

std::string encode(const Record& record) {
  std::string out = kHeader + record.state + "\n";
  for (const auto& item : record.items) {
    out += "R ";
    put(out, item.folder);
    put(out, item.temporary);
    put(out, item.target);
    out += "\n";
  }
  for (const auto& name : record.retire) {
    out += "X ";
    put(out, name);
    out += "\n";
  }
  return out;
}

std::optional<Record> decode(const std::string& in) {
  const std::string header = kHeader;
  if (!in.starts_with(header)) return std::nullopt;
  std::size_t at = header.size();
  const std::size_t stateEnd = in.find('\n', at);
  if (stateEnd == std::string::npos) return std::nullopt;
  Record record;
  record.state = in.substr(at, stateEnd - at);
  if (record.state != kPrepared && record.state != kCommitted) return std::nullopt;
  at = stateEnd + 1;
  while (at < in.size()) {
    if (in.compare(at, 2, "R ") == 0) {
      at += 2;
      Replacement item;
      if (!take(in, at, item.folder) || !take(in, at, item.temporary) || !take(in, at, item.target)) return std::nullopt;
      record.items.push_back(std::move(item));
    } else if (in.compare(at, 2, "X ") == 0) {
      at += 2;
      std::string name;
      if (!take(in, at, name)) return std::nullopt;
      record.retire.push_back(std::move(name));
    } else {
      return std::nullopt;
    }
    if (at >= in.size() || in[at] != '\n') return std::nullopt;
    ++at;
  }
  return record;
}

bool exists(int folderFd, const std::string& name) {
  struct stat st;
  return fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Where a replaced item waits, on volumes without a Trash, until the new one is in.
std::string asideOf(const std::string& temporary) { return temporary + ".old"; }

fs::path folderOf(const fs::path& base, const Replacement& item) {
  return item.folder.empty() ? base : base / item.folder;
}

StatusOr<UniqueFd> openFolder(const fs::path& folder) {
  auto opened = openFolderAt(AT_FDCWD, folder.c_str(), true);
  if (!opened) return failureFor(Action::OpenFolder, folder, opened.code());
  return opened;
}

Status writeJournal(const fs::path& base, const Record& record) {
  return writeFileAtomically(base, kJournal, kJournalDraft, encode(record));
}

std::optional<Record> readJournal(const fs::path& base) {
  const auto opened = openFolderAt(AT_FDCWD, base.c_str(), true);
  if (!opened) return std::nullopt;
  const UniqueFd& folder = *opened;
  unlinkat(folder.get(), kJournalDraft, 0);  // a journal never finished writing says nothing
  const UniqueFd file(openat(folder.get(), kJournal, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!file.valid()) return std::nullopt;
  // A journal is a few kilobytes; one far larger is not ours and reads as damaged.
  std::string text(kJournalLimit + 1, '\0');
  const ssize_t got = readUntilFullOrEnd(file.get(), text.data(), text.size());
  text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  auto record = decode(text);
  // A journal that cannot be read names nothing that could be finished.
  if (!record) unlinkat(folder.get(), kJournal, 0);
  return record;
}

void removeJournal(const fs::path& base) {
  const auto folder = openFolderAt(AT_FDCWD, base.c_str(), true);
  if (!folder) return;
  unlinkat(folder->get(), kJournal, 0);
  fsync(folder->get());
}

// Puts one temporary in its target's place; does nothing when that was done.
Status replace(const fs::path& base, const Replacement& item, int& trashed) {
  const fs::path folderPath = folderOf(base, item);
  auto opened = openFolder(folderPath);
  if (!opened) return opened.code() == ENOENT ? Status() : opened.status();
  const UniqueFd folder = std::move(*opened);
  if (!exists(folder.get(), item.temporary)) return Status();  // in place already
  if (exists(folder.get(), item.target)) {
    if (moveToTrash(folderPath / item.target)) {
      ++trashed;
    } else {
      const std::string aside = asideOf(item.temporary);
      removeTree(folderPath / aside);  // from an attempt that stopped here
      if (renameat(folder.get(), item.target.c_str(), folder.get(), aside.c_str()) != 0)
        return failureFor(Action::Replace, folderPath / item.target, errno);
    }
  }
  if (renameat(folder.get(), item.temporary.c_str(), folder.get(), item.target.c_str()) != 0)
    return failureFor(Action::Replace, folderPath / item.target, errno);
  if (fsync(folder.get()) != 0) return failureFor(Action::Replace, folderPath / item.target, errno);
  return Status();
}

StatusOr<int> apply(const fs::path& base, const Record& record) {
  int trashed = 0;
  for (const auto& item : record.items) TRY(replace(base, item, trashed));
  // Every new item is in: what was set aside can go.
  for (const auto& item : record.items) removeTree(folderOf(base, item) / asideOf(item.temporary));
  for (const auto& name : record.retire) {
    struct stat st;
    const fs::path path = base / name;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (moveToTrash(path)) {
      ++trashed;
    } else {
      unlink(path.c_str());
    }
  }
  removeJournal(base);
  return trashed;
}

void undo(const fs::path& base, const Record& record) {
  for (const auto& item : record.items) removeTree(folderOf(base, item) / item.temporary);
  removeJournal(base);
}

}  // namespace

std::string temporaryName() {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[8];
  if (getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
    struct timespec now;  // only this early in boot; creating with O_EXCL still catches a clash
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::uint64_t mixed = (now.tv_nsec ^ (std::uint64_t(getpid()) << 32)) * 0x9E3779B97F4A7C15ull;
    for (unsigned char& r : random) r = static_cast<unsigned char>(mixed >>= 8);
  }
  std::string name = ".velmorin-";
  for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
  return name + ".part";
}

StatusOr<int> ChangeJournal::settle(const fs::path& base) {
  const auto record = readJournal(base);
  if (!record) return 0;
  if (record->state == kPrepared) {
    undo(base, *record);
    return 0;
  }
  return apply(base, *record);
}

Status ChangeJournal::prepare(std::vector<Replacement> items) {
  items_ = std::move(items);
  return writeJournal(base_, Record{kPrepared, items_, {}});
}

StatusOr<int> ChangeJournal::commit(std::vector<std::string> retire) {
  TRY(seal(std::move(retire)));
  return finish();
}

Status ChangeJournal::seal(std::vector<std::string> retire) {
  retire_ = std::move(retire);
  {
    // Every temporary's data on disk before the journal says they are complete.
    const UniqueFd folder = TRY_VALUE(openFolder(base_));
    if (syncfs(folder.get()) != 0) return failureFor(Action::Write, base_, errno);
  }
  return writeJournal(base_, Record{kCommitted, items_, retire_});
}

StatusOr<int> ChangeJournal::finish() { return apply(base_, Record{kCommitted, items_, retire_}); }

fs::path ChangeJournal::file() const { return base_ / kJournal; }

void ChangeJournal::abandon() { undo(base_, Record{kPrepared, items_, {}}); }

}  // namespace velmorin::platform
