#pragma once
// The programs a restore takes, read whole from a folder or from a backup,
// never following a link out of the folder and never trusting what a backup
// says of its entries: each is read through its CRC and length checks.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands/restore_plan.h"
#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin {

struct ChosenBytes {
  std::string bytes;
  std::optional<Refusal> refusal;  // why it cannot be restored, if it cannot
};

// One result for each of `entries`, in their order. A folder's entries are
// paths relative to it; a backup's are its entry names. Fails when the
// source itself cannot be read (a backup that is not a ZIP archive, a folder
// that cannot be opened) or when `control` is cancelled.
StatusOr<std::vector<ChosenBytes>> readChosen(const RestoreRequest& request, const std::vector<std::string>& entries,
                                              platform::WorkControl* control);

}  // namespace velmorin
