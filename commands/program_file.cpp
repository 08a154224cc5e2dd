#include "commands/program_file.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "commands/backup_check.h"
#include "commands/backup_file.h"
#include "commands/sound_names.h"
#include "vocabulary/text.h"
#include "platform/folder.h"
#include "platform/zip_entries.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace fs = std::filesystem;

namespace {

StatusOr<ProgramFile> readFile(const std::string& path) {
  const auto opened = openFileAt(path);
  if (!opened || !*opened) return programUnreadable(path, "");
  const platform::OpenedFile& file = **opened;
  ProgramFile program;
  program.size = static_cast<std::uint64_t>(file.st.st_size);
  program.bytes.resize(std::min<std::uint64_t>(program.size, kCheckedFileLimit));
  if (!platform::readWholeAt(file.fd.get(), 0, program.bytes.data(), program.bytes.size())) return programUnreadable(path, "");
  program.check = checkProgram(lowerExtension(fs::path(path).filename().string()), program.bytes, program.size);
  return program;
}

// The entry named `name` of the backup `inside`, read as the library reads it.
StatusOr<ProgramFile> readEntry(const std::string& name, const std::string& inside) {
  const auto opened = openBackup(inside);
  if (!opened || !*opened) return programUnreadable(name, inside);
  std::optional<ProgramFile> found;
  (void)forEachBackupEntry(
      **opened,
      [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
        if (entry.name != name) return true;
        ProgramFile program;
        program.size = entry.size;
        const auto problem = data.read(kCheckedFileLimit, program.bytes);
        const std::string extension = lowerExtension(fs::path(name).filename().string());
        program.check = problem == platform::EntryProblem::None ? checkProgram(extension, program.bytes, entry.size)
                                                                 : checkBackupEntry(extension, problem, program.bytes, entry.size);
        found = std::move(program);
        return false;
      });
  if (!found) return programUnreadable(name, inside);
  return std::move(*found);
}

}  // namespace

Status programUnreadable(const std::string& path, const std::string& inside) {
  return inside.empty() ? Status::said(Problem::NotFound, FailureText::ProgramUnreadable, {path})
                        : Status::said(Problem::NotFound, FailureText::ProgramInBackupUnreadable, {path, inside});
}

StatusOr<ProgramFile> readProgramFile(const std::string& path, const std::string& inside) {
  return inside.empty() ? readFile(path) : readEntry(path, inside);
}

Json valueJson(const sounds::Value* value) {
  if (!value) return nullptr;
  if (const auto* on = std::get_if<bool>(value)) return *on;
  if (const auto* number = std::get_if<std::int64_t>(value)) return *number;
  return std::get<std::string>(*value);
}

sounds::Decoded decodeProgram(const Values& values, std::string_view extension, std::string_view bytes) {
  const auto names = [&values](std::uint32_t id) { return soundName(values.soundsTable, id); };
  return sounds::decode(extension, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, names);
}

}  // namespace velmorin
