#include "commands/backup_check.h"

namespace velmorin {

ProgramCheck checkBackupEntry(std::string_view extension, platform::EntryProblem problem, const std::string& bytes,
                              std::uint64_t size) {
  using platform::EntryProblem;
  if (problem == EntryProblem::None) return checkProgram(extension, bytes, size);
  if (problem != EntryProblem::Crc && problem != EntryProblem::Short) return {{}, Verdict::Damaged, "zipData"};
  ProgramCheck check = checkProgram(extension, bytes, size);
  check.check = Verdict::Damaged;
  check.problem = problem == EntryProblem::Crc ? "zipCrc" : "short";
  return check;
}

std::string_view backupProblem(platform::ZipFault fault) {
  switch (fault) {
    case platform::ZipFault::None:
      return "";
    case platform::ZipFault::Damaged:
      return "zipDamaged";
    case platform::ZipFault::OverLimit:
      return "zipLimit";
  }
  return "zipDamaged";
}

}  // namespace velmorin
