// The set list: the programs the page shows, as a CSV file a spreadsheet opens,
// saved as the file the user named in the save dialog, or under a new dated name
// in a folder. A file is replaced only when the user confirmed it in the dialog,
// and a name in the list never runs as a formula.
#include <cerrno>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "vocabulary/language.h"
#include "vocabulary/text.h"
#include "platform/atomic_file.h"
#include "platform/change_journal.h"
#include "platform/file_checks.h"
#include "platform/paths.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

// Far beyond any library (it lists at most 50,000 programs); more is not a set list.
constexpr std::size_t kMaxRows = 100'000;
// " 2" to " 999" after the dated name; a folder holding all of them is not usable.
constexpr int kMaxNumber = 999;
constexpr const char* kFields[] = {"slot", "name", "category", "model"};
// Later than the four above, so a row without them is still a set list (empty cells).
constexpr const char* kLaterFields[] = {"folder", "summary"};

// A spreadsheet takes a cell that starts with one of these as a formula (a tab
// or CR before one too): an apostrophe in front keeps it text.
bool looksLikeFormula(const std::string& field) {
  return !field.empty() && (field[0] == '=' || field[0] == '+' || field[0] == '-' || field[0] == '@' ||
                            field[0] == '\t' || field[0] == '\r');
}

// One field as RFC 4180 writes it: in double quotes, inner ones doubled, when it
// holds a comma, a double quote, CR or LF.
std::string csvField(const std::string& value) {
  std::string field = looksLikeFormula(value) ? "'" + value : value;
  // A NUL ends the text for many readers: the rest of the row would vanish.
  for (auto at = field.find('\0'); at != std::string::npos; at = field.find('\0', at)) field.replace(at, 1, "\uFFFD");
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void addLine(std::string& text, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += ',';
    text += csvField(fields[i]);
  }
  text += "\r\n";
}

Status invalid(FailureText text, std::vector<std::string> words = {}) {
  return Status::said(Problem::Invalid, text, std::move(words));
}

// The rows' text, or why the arguments are not a set list.
StatusOr<std::string> csvText(const Json* rows, bool es) {
  if (!rows || !rows->is_array())
    return invalid(FailureText::NoSetListPrograms);
  if (rows->empty())
    return invalid(FailureText::SetListEmpty);
  if (rows->size() > kMaxRows)
    return invalid(FailureText::SetListTooLong);
  std::string text;
  addLine(text, es ? std::vector<std::string>{"Posición", "Nombre", "Categoría", "Modelo", "Carpeta", "Sonido"}
                   : std::vector<std::string>{"Slot", "Name", "Category", "Model", "Folder", "Sound"});
  for (const Json& row : *rows) {
    if (!row.is_object())
      return invalid(FailureText::SetListRowIncomplete);
    std::vector<std::string> fields;
    for (const char* key : kFields) {
      const auto value = textMember(row, key);
      if (!value)
        return invalid(FailureText::SetListFieldNotText, {key});
      fields.push_back(*value);
    }
    for (const char* key : kLaterFields) {
      std::string later;
      if (row.contains(key)) {
        const auto value = textMember(row, key);
        if (!value)
          return invalid(FailureText::SetListFieldNotText, {key});
        later = *value;
      }
      fields.push_back(later);
    }
    addLine(text, fields);
  }
  return text;
}

// The file the user named in the save dialog. `replace`: the dialog asked
// whether to replace the file there and the user said yes; without it an
// existing file (one made since the dialog closed, say) is never touched.
Reply saveAs(const std::string& text, std::size_t rows, const fs::path& file, bool replace, bool es) {
  const fs::path folder = file.parent_path();
  const std::string name = file.filename().string();
  if (name.empty() || name == "." || name == "..")
    return failureReply(invalid(FailureText::NoSetListFileName), es);
  if (!platform::isFolder(folder))
    return failureReply(Status::said(Problem::NotFound, FailureText::FolderMissing, {folder}), es);
  if (Status writable = platform::checkWritable(folder); !writable) return failureReply(writable, es);
  const platform::EntryKind kind = platform::kindOf(file);
  if (kind != platform::EntryKind::Missing && kind != platform::EntryKind::File)
    return failureReply(Status::said(Problem::NotFolder, FailureText::NotReplaceableBySetList, {file}), es);
  Status written = replace ? platform::writeFileAtomically(folder, name, platform::temporaryName(), text)
                           : platform::writeNewFileAtomically(folder, name, platform::temporaryName(), text);
  if (!written && written.code() == EEXIST)
    return failureReply(invalid(FailureText::FileAlreadyThere, {name}), es);
  if (!written) return failureReply(written, es);
  return {{"ok", true}, {"path", file.string()}, {"rows", rows}, {"replaced", kind == platform::EntryKind::File}};
}

}  // namespace

Reply saveSetList(const Values& values, const Json& args) {
  const bool es = spanish(values);
  const auto path = textMember(args, "path");
  const auto dir = textMember(args, "dir");
  const std::string& where = path ? *path : dir.value_or("");
  if (where.empty())
    return failureReply(invalid(FailureText::NoSetListPlace), es);
  if (where.find('\0') != std::string::npos)
    return failureReply(invalid(FailureText::PathNotValid, {where}), es);
  const auto text = csvText(args.is_object() && args.contains("rows") ? &args["rows"] : nullptr, es);
  if (!text) return failureReply(text.status(), es);
  const std::size_t rows = args["rows"].size();
  if (path) {
    const auto replace = args.find("replace");
    return saveAs(*text, rows, platform::absolutePath(*path), replace != args.end() && *replace == true, es);
  }

  const fs::path folder = platform::absolutePath(*dir);
  if (!platform::isFolder(folder)) {
    const bool missing = platform::kindOf(folder) == platform::EntryKind::Missing;
    return failureReply(
        missing ? Status::said(Problem::NotFound, FailureText::FolderMissing, {folder})
                : Status::said(Problem::NotFolder, FailureText::NotAFolder, {folder}),
        es);
  }
  if (Status writable = platform::checkWritable(folder); !writable) return failureReply(writable, es);

  const std::string stem = (es ? "Lista " : "Set list ") + todayText();
  for (int number = 1; number <= kMaxNumber; ++number) {
    const std::string name = stem + (number == 1 ? "" : " " + std::to_string(number)) + ".csv";
    if (platform::kindOf(folder / name) != platform::EntryKind::Missing) continue;  // spares a write
    // Each save has its own draft, so two at once never write into one file.
    Status written = platform::writeNewFileAtomically(folder, name, platform::temporaryName(), *text);
    if (written) return {{"ok", true}, {"path", (folder / name).string()}, {"rows", rows}};
    if (written.code() != EEXIST) return failureReply(written, es);
  }
  return failureReply(
      Status::said(Problem::Failed, FailureText::TooManySetListsToday, {folder, std::to_string(kMaxNumber)}), es);
}

}  // namespace velmorin
