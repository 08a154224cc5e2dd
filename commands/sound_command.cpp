// "sound": what one program sounds like, read from its file or from its entry
// inside a backup: the header's facts as the library gives them, and its
// sheet where its model's layout is known.
#include <optional>
#include <span>
#include <string>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "commands/program_header.h"
#include "commands/program_file.h"
#include "commands/sound_summary.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

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
    (*at)[field.key.substr(start)] = valueJson(&field.value);
  }
  return tree;
}

}  // namespace

Reply sound(const Values& values, const Json& args) {
  const bool es = spanish(values);
  const auto path = textMember(args, "path");
  if (!path || path->empty() || path->find('\0') != std::string::npos)
    return failureReply(Status::said(Problem::Invalid, FailureText::Argument, {"path"}), es);
  const std::string inside = textMember(args, "inside").value_or("");
  const auto program = readProgramFile(*path, inside);
  if (!program) return failureReply(program.status(), es);

  const std::string fileName = fs::path(*path).filename().string();
  const std::string extension = lowerExtension(fileName);
  const ProgramCheck& check = program->check;
  const ProgramHeader& header = check.header;
  const bool readable = check.headerReadable();
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
          {"check", std::string(verdictText(check.check))},
          {"decoded", decoded.decoded()},
          {"note", noteFor(decoded.why, model, es)},
          {"summary", decoded.decoded() ? soundSummary(decoded.sheet, es) : ""},
          {"sheet", decoded.decoded() ? sheetJson(decoded.sheet) : Json(nullptr)}};
}

}  // namespace velmorin
