// "sound": what one program sounds like, read from its file or from its entry
// inside a backup: the header's facts as the library gives them, and its
// sheet where its model's layout is known.
#include <optional>
#include <span>
#include <string>

#include "commands/backup_check.h"
#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/program_header.h"
#include "commands/sound_names.h"
#include "commands/sound_summary.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "platform/folder.h"
#include "platform/zip_entries.h"
#include "sound/decode.h"

namespace velmorin {

namespace {

struct ProgramBytes {
  std::string bytes;      // the whole program (its first kCheckedFileLimit bytes)
  std::uint64_t size = 0;  // as the file or the backup's directory says
  ProgramCheck check;
};

Status notFound(const std::string& path, const std::string& inside) {
  const std::string where = inside.empty() ? inQuotes(path) : inQuotes(path) + " in " + inQuotes(inside);
  const std::string donde = inside.empty() ? inQuotes(path) : inQuotes(path) + " en " + inQuotes(inside);
  return Status::failure(Problem::NotFound, "The program " + where + " could not be read.",
                         "No se pudo leer el programa " + donde + ".");
}

StatusOr<ProgramBytes> readFile(const std::string& path) {
  const fs::path file(path);
  const auto folder = platform::Folder::open(file.parent_path().string(), true);
  if (!folder) return notFound(path, "");
  const auto opened = folder->openFile(file.filename().c_str());
  if (!opened || !opened->fd.valid()) return notFound(path, "");
  ProgramBytes program;
  program.size = static_cast<std::uint64_t>(opened->st.st_size);
  program.bytes.resize(std::min<std::uint64_t>(program.size, kCheckedFileLimit));
  if (!platform::readWholeAt(opened->fd.get(), 0, program.bytes.data(), program.bytes.size())) return notFound(path, "");
  program.check = checkProgram(lowerExtension(file.filename().string()), program.bytes, program.size);
  return program;
}

// The entry named `name` of the backup `inside`, read as the library reads it.
StatusOr<ProgramBytes> readEntry(const std::string& name, const std::string& inside) {
  const fs::path backup(inside);
  const auto folder = platform::Folder::open(backup.parent_path().string(), true);
  if (!folder) return notFound(name, inside);
  const auto opened = folder->openFile(backup.filename().c_str());
  if (!opened || !opened->fd.valid()) return notFound(name, inside);
  std::optional<ProgramBytes> found;
  (void)platform::forEachZipEntry(
      opened->fd.get(), static_cast<std::uint64_t>(opened->st.st_size), kBackupLimits,
      [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
        if (entry.name != name) return true;
        ProgramBytes program;
        program.size = entry.size;
        const auto problem = data.read(kCheckedFileLimit, program.bytes);
        const std::string extension = lowerExtension(fs::path(name).filename().string());
        program.check = problem == platform::EntryProblem::None ? checkProgram(extension, program.bytes, entry.size)
                                                                 : checkBackupEntry(extension, problem, program.bytes, entry.size);
        found = std::move(program);
        return false;
      });
  if (!found) return notFound(name, inside);
  return std::move(*found);
}

// Why a sheet could not be made, in the user's language.
std::string noteFor(sounds::NotDecoded why, const std::string& model, bool spanish) {
  switch (why) {
    case sounds::NotDecoded::None:
      return "";
    case sounds::NotDecoded::NoLayout:
      if (model.empty())
        return spanish ? "No se conoce el formato de este tipo de archivo: no se puede mostrar cómo suena."
                       : "The layout of this kind of file is not known, so its sound cannot be shown.";
      return spanish ? "No se conoce el formato de los programas del " + model + ": no se puede mostrar cómo suena."
                     : "The layout of " + model + " programs is not known, so its sound cannot be shown.";
    case sounds::NotDecoded::UnknownHeader:
      return spanish ? "El archivo no empieza como un programa Nord: no se puede leer cómo suena."
                     : "The file does not start as a Nord program does, so its sound cannot be read.";
    case sounds::NotDecoded::Truncated:
      return spanish ? "El archivo es más corto que un programa entero (está cortado): no se puede leer cómo suena."
                     : "The file is shorter than a whole program (it is cut off), so its sound cannot be read.";
  }
  return "";
}

Json valueOf(const sounds::Value& value) {
  if (const auto* on = std::get_if<bool>(&value)) return *on;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  return std::get<std::string>(value);
}

// "A.piano.type" as {"A": {"piano": {"type": …}}}.
Json sheetJson(const sounds::Sheet& sheet) {
  Json tree = Json::object();
  for (const sounds::Field& field : sheet) {
    Json* at = &tree;
    std::size_t start = 0;
    for (std::size_t dot = field.key.find('.'); dot != std::string::npos; dot = field.key.find('.', start)) {
      at = &(*at)[field.key.substr(start, dot - start)];
      start = dot + 1;
    }
    (*at)[field.key.substr(start)] = valueOf(field.value);
  }
  return tree;
}

std::string versionText(int version) {
  if (version <= 0) return "";
  const std::string minor = std::to_string(version % 100);
  return std::to_string(version / 100) + "." + (minor.size() < 2 ? "0" + minor : minor);
}

}  // namespace

sounds::Decoded decodeProgram(const Values& values, std::string_view extension, std::string_view bytes) {
  const auto names = [&values](std::uint32_t id) { return soundName(values.soundsTable, id); };
  return sounds::decode(extension, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, names);
}

Reply sound(const Values& values, const Json& args) {
  const bool es = spanish(values);
  const auto path = textMember(args, "path");
  if (!path || path->empty() || path->find('\0') != std::string::npos)
    return failureReply(Status::failure(Problem::Invalid, "path", "path"), es);
  const std::string inside = textMember(args, "inside").value_or("");
  const auto program = inside.empty() ? readFile(*path) : readEntry(*path, inside);
  if (!program) return failureReply(program.status(), es);

  const std::string fileName = fs::path(*path).filename().string();
  const std::string extension = lowerExtension(fileName);
  const ProgramCheck& check = program->check;
  const ProgramHeader& header = check.header;
  const bool readable = check.check == "ok" || check.check == "unchecked" || (check.check == "damaged" && !header.type.empty());
  const sounds::Decoded decoded = decodeProgram(values, extension, program->bytes);
  const std::string model = modelOfType(extension);
  return {{"ok", true},
          {"path", *path},
          {"inside", inside},
          {"name", programName(fileName)},
          {"model", model},
          {"ext", extension},
          {"slot", readable ? slotText(extension, header.bank, header.location) : ""},
          {"category", readable ? categoryName(header.categoryCode) : ""},
          {"version", readable ? versionText(header.version) : ""},
          {"check", std::string(check.check)},
          {"decoded", decoded.decoded()},
          {"note", noteFor(decoded.why, model, es)},
          {"summary", decoded.decoded() ? soundSummary(decoded.sheet, es) : ""},
          {"sheet", decoded.decoded() ? sheetJson(decoded.sheet) : Json(nullptr)}};
}

}  // namespace velmorin
