#pragma once
// One program read whole, from its file or from its entry in a backup, and
// checked as the library checks it; and its sheet.
#include <cstdint>
#include <string>
#include <string_view>

#include "commands/program_header.h"
#include "vocabulary/json_text.h"
#include "vocabulary/values.h"
#include "platform/status.h"
#include "sound/decode.h"

namespace velmorin {

struct ProgramFile {
  std::string bytes;       // the whole program (its first kCheckedFileLimit bytes)
  std::uint64_t size = 0;  // as the file or the backup's directory says
  ProgramCheck check;
};

// `path` is the file, or with `inside` (a backup's path) the entry's name in it.
StatusOr<ProgramFile> readProgramFile(const std::string& path, const std::string& inside);

// What readProgramFile answers for a program it cannot read.
Status programUnreadable(const std::string& path, const std::string& inside);

// A sheet's value as JSON: a switch, a number or a text; null when missing.
Json valueJson(const sounds::Value* value);

// The sheet of a program of type `extension`, pianos and samples named from
// the process's sounds table.
sounds::Decoded decodeProgram(const Values& values, std::string_view extension, std::string_view bytes);

}  // namespace velmorin
