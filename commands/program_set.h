#pragma once
// A collection of programs to set against another: every program file in a
// folder and its subfolders, or every program entry of one of the maker's
// backups, read whole, with where it sits on the keyboard and a fingerprint
// of its sound.
#include <cstdint>
#include <string>
#include <vector>

#include "commands/program_header.h"
#include "vocabulary/values.h"
#include "platform/status.h"
#include "platform/work_control.h"
#include "sound/decode.h"

namespace velmorin {

struct SetProgram {
  std::string path;    // the file, or the entry's name inside the backup
  std::string inside;  // the backup's path, or ""
  std::string fileName;
  std::string extension;  // lower case
  std::string bytes;      // the whole program (at most kCheckedFileLimit)
  ProgramCheck check;
  std::string slot;  // "" when the header could not be read
  // Equal for programs that make the same sound ("compare"'s sense); the
  // converse is never assumed: a match is confirmed on the programs themselves.
  std::uint64_t soundKey = 0;
};

struct ProgramSet {
  std::vector<SetProgram> programs;
  // What could not be read of a backup, in English and Spanish ("" when whole).
  std::string note, noteEs;
};

// The programs of `where`, a folder or a backup. A backup that is not a ZIP
// archive, or a path that is neither, fails; so does a set that would hold
// more than kSetBytesLimit of programs.
// A program with the same type and bytes as one of `known` takes its
// fingerprint rather than being decoded again.
inline constexpr std::uint64_t kSetBytesLimit = 512u << 20;
StatusOr<ProgramSet> readProgramSet(const Values& values, const std::string& where, platform::WorkControl* control,
                                    const ProgramSet* known = nullptr);

// The sheet of a program of the set, decoded again (sheets are not kept:
// thousands of them would take far more memory than the programs).
sounds::Decoded sheetOf(const Values& values, const SetProgram& program);

}  // namespace velmorin
