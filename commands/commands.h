#pragma once
// The commands behind the dispatcher. Each takes the process values and its own
// arguments, keeps no state between calls and answers with a reply dictionary.
// A `control` given to the long ones can stop them, which then change nothing,
// and hears how far they have come.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "vocabulary/json_text.h"
#include "vocabulary/long_reply.h"
#include "vocabulary/values.h"
#include "platform/work_control.h"

namespace velmorin {

// Machine, Nord Sound Manager and destination folders.
Reply info(const Values& values);

// Creates the export folder; always {"ok": true}.
Reply prepare(const Values& values);

// Whether a Nord keyboard is plugged in over USB.
Reply nord(const Values& values);

// The newest program list and the folder with the most program files of one model.
// `since` is in milliseconds since 1970; `dir` replaces the usual folders.
// Also every folder where program files were met.
Reply scan(const Values& values, double since, const std::optional<std::string>& dir,
           platform::WorkControl* control = nullptr);

// Every program file around the usual folders (or `dir`), inside the maker's
// backups too, with what its header says and whether it is intact. The list
// of programs is written late, as text.
LongReply library(const Values& values, double since, const std::optional<std::string>& dir,
                  platform::WorkControl* control = nullptr);

// Copies a list and one model's programs into the destination, with a dated archive.
Reply install(const Values& values, const Json& args, platform::WorkControl* control = nullptr);

// What install would do with the same arguments, changing nothing.
Reply plan(const Values& values, const Json& args, platform::WorkControl* control = nullptr);

// Writes chosen programs {"entries"} of a folder or backup {"from"} into the
// folder {"dest"}, all together, the files they replace to the Trash.
Reply restore(const Values& values, const Json& args, platform::WorkControl* control = nullptr);

// What restore would do with the same arguments, changing nothing: the
// preview that "plan" gives when asked with {"restore": true}.
bool isRestorePreview(const Json& args);
Reply restorePreview(const Values& values, const Json& args, platform::WorkControl* control = nullptr);

// Packs a folder into DESKTOP/Velmorin.zip.
Reply zip(const Values& values, const std::string& path, platform::WorkControl* control = nullptr);

// Writes {"rows": [{slot, name, category, model}]} as a CSV set list under a
// new dated name in {"dir"}; never replaces a file.
Reply saveSetList(const Values& values, const Json& args);

// {"path"}: the free space of the disk that holds `path`, or its nearest existing folder.
Reply freeSpace(const Values& values, const Json& args);

// What one program sounds like: {"path"} of a program file, or its entry's
// name with {"inside"} the backup that holds it.
Reply sound(const Values& values, const Json& args);

// What differs between two programs {"a": {path, inside}, "b": {…}}: every
// setting of their sheets, and their header's facts.
Reply compare(const Values& values, const Json& args);

// What changed between two collections {"a", "b"}, each a folder or a
// backup: one row per program, matched by slot.
Reply compareSets(const Values& values, const Json& args, platform::WorkControl* control = nullptr);

// Which pianos and samples a set of programs ({"programs": [{path, inside}]}
// or every program in {"dir"}) needs, and which of them this computer has.
Reply needs(const Values& values, const Json& args, platform::WorkControl* control = nullptr);

// The page's lasting settings, and storing some of them.
Reply settings(const Values& values);
Reply saveSettings(const Values& values, const Json& changes);

// Logical bytes of a file, or of every file beneath a folder (links not
// followed), and how many regular files that is.
struct TreeSize {
  std::int64_t bytes = 0;
  std::int64_t files = 0;
};
TreeSize treeSize(const std::filesystem::path& location);
std::int64_t folderSize(const std::filesystem::path& location);

}  // namespace velmorin
