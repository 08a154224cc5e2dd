#pragma once
// What a restore is asked to do and what it will do: which chosen programs
// are added to the destination, which replace a file there, which are the
// same already and which are refused, and why. The preview and the restore
// decide with this one function, so the preview says what the restore does.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "vocabulary/json_text.h"
#include "vocabulary/values.h"
#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin {

namespace fs = std::filesystem;

// At most this much is read out of the source in one restore: programs are
// kilobytes, and a backup that lies about its entries costs no more.
inline constexpr std::uint64_t kRestoreBytes = 64u << 20;

struct RestoreRequest {
  bool spanish = false;
  fs::path from;             // a folder, or a backup (a ZIP archive)
  bool fromBackup = false;
  std::vector<std::string> entries;  // as given, each once, in the order given
  fs::path dest;
};

// Why a chosen entry is not restored; each has a warning code for the preview.
enum class Refusal { BadName, SameName, Missing, Damaged, TooLarge, InTheWay };
const char* refusalCode(Refusal refusal);

enum class RestoreAction { Add, Replace, Same };

struct RestoreItem {
  std::string entry;  // as chosen
  std::string name;   // the file it becomes in the destination
  std::string bytes;  // the whole program, checked as it was read
  RestoreAction action = RestoreAction::Add;
};

struct RestoreDecision {
  std::vector<RestoreItem> items;
  std::vector<std::string> refused;  // entries, in the order given
  std::vector<Refusal> reasons;      // one for each refused entry
  std::int64_t trash = 0;            // files the restore sends to the Trash
  std::int64_t bytesNeeded = 0;      // what the new files take
};

// Reads the arguments {from, entries, dest}; a failure says what is wrong in both languages.
StatusOr<RestoreRequest> readRestoreRequest(const Values& values, const Json& args);

// Refuses a destination that cannot be a folder or cannot be written.
Status checkRestoreDestination(const RestoreRequest& request);

// Reads the chosen programs and compares them with the destination's files.
// Changes nothing.
StatusOr<RestoreDecision> decideRestore(const RestoreRequest& request, platform::WorkControl* control);

// The destination file name of `entry` (its last part), or "" when the entry
// must be refused for its name: one that leads out of the destination ("/" at
// its start, a ".." part), or a name that is empty, hidden, "." or holds
// control characters, or longer than `nameLimit`.
std::string restoredName(const std::string& entry, std::size_t nameLimit);

}  // namespace velmorin
