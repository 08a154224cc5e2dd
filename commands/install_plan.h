#pragma once
// What an install is asked to do, read from its arguments, and everything
// about it that can be checked before anything on disk changes.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vocabulary/json_text.h"
#include "vocabulary/values.h"
#include "platform/status.h"

namespace velmorin {

namespace fs = std::filesystem;

struct InstallPlan {
  bool spanish = false;
  fs::path root;           // the destination root, as given, made absolute
  std::string safeModel;   // the model with every "/" made "-"
  fs::path modelFolder;

  std::optional<fs::path> list;  // the program list to copy
  std::string listsFolderName;   // "Program lists" / "Listas de programas"

  std::optional<fs::path> progs;  // the folder whose programs are copied
  std::string extension;          // as given, not lower-cased
  bool subfolders = false;        // a pack: its subfolders' programs too, as subfolders
  std::string programsName;       // "Programs (.ns3f)" / "Programas (.ns3f)"
  std::string archiveName;        // "<model> Programs <yyyy-MM-dd>.zip"
};

// Reads the arguments; a failure's text is the reply's "error" ("dest" when
// the destination is missing) in both languages.
StatusOr<InstallPlan> readInstallPlan(const Values& values, const Json& args);

// Refuses, with the reason, what would fail after the first change: names the
// file system cannot hold, a folder where the archive goes, a destination
// inside the programs (or the reverse), a list that leads out of its folder,
// sources that cannot be read, a destination that cannot be written.
Status checkBeforeChanging(const InstallPlan& plan);

// Whether the install copies the entry `name` of the program folder.
bool isWantedProgram(const InstallPlan& plan, const char* name);

// The names of what an install makes in a model folder, in English and Spanish
// (indexed by `spanish`): the lists folder, the programs folder "Programs (.ext)"
// and the dated archive "<model> Programs <yyyy-MM-dd>.zip".
inline constexpr std::string_view kListsFolder[] = {"Program lists", "Listas de programas"};
inline constexpr std::string_view kProgramsWord[] = {"Programs", "Programas"};
std::string listsFolderName(bool spanish);
std::string programsFolderName(bool spanish, std::string_view extension);

// Whether `name` is an install's programs folder, "Programs (.<ext>)", in either language.
bool isProgramsFolderName(std::string_view name);

// Whether `name` is one of this model's dated archives, in either language.
bool isOwnArchive(const std::string& name, const std::string& safeModel);

// This model's dated archives in the model folder, other than the one being
// made, that an install sends to the Trash: regular files alone, so a link or
// a folder so named stays. The preview counts with this too.
std::vector<std::string> olderArchives(const InstallPlan& plan);

// Whether the model folder's entry `name` is one an install makes, in either language.
bool isOwnEntry(const std::string& name, const std::string& safeModel);

}  // namespace velmorin
