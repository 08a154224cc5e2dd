#include "commands/command_table.h"

#include <algorithm>
#include <iterator>

#include "commands/commands.h"

namespace velmorin {

namespace {

using platform::WorkControl;

// The arguments as an object, the empty one when they are anything else.
const Json& objectArgs(const Json& args) {
  static const Json kNone = Json::object();
  return args.is_object() ? args : kNone;
}

// "since" in ms, 0 (everything) when it is missing or not a number.
double sinceOf(const Json& args) {
  if (!args.is_object()) return 0.0;
  const auto since = args.find("since");
  return since != args.end() && since->is_number() ? since->get<double>() : 0.0;
}

// Each command's arguments taken out of the request's, with their defaults.
Reply runInfo(const Values& values, const Json&, WorkControl*) { return info(values); }
Reply runPrepare(const Values& values, const Json&, WorkControl*) { return prepare(values); }
Reply runFreeSpace(const Values& values, const Json& args, WorkControl*) { return freeSpace(values, objectArgs(args)); }
Reply runNord(const Values& values, const Json&, WorkControl*) { return nord(values); }
Reply runScan(const Values& values, const Json& args, WorkControl* control) {
  return scan(values, sinceOf(args), textMember(args, "dir"), control);
}
LongReply runLibrary(const Values& values, const Json& args, WorkControl* control) {
  return library(values, sinceOf(args), textMember(args, "dir"), control);
}
Reply runPlan(const Values& values, const Json& args, WorkControl* control) {
  return plan(values, objectArgs(args), control);
}
Reply runInstall(const Values& values, const Json& args, WorkControl* control) {
  return install(values, objectArgs(args), control);
}
Reply runRestore(const Values& values, const Json& args, WorkControl* control) {
  return restore(values, objectArgs(args), control);
}
Reply runZip(const Values& values, const Json& args, WorkControl* control) {
  return zip(values, textMember(args, "path").value_or(""), control);
}
Reply runSettings(const Values& values, const Json&, WorkControl*) { return settings(values); }
Reply runSaveSettings(const Values& values, const Json& args, WorkControl*) {
  return saveSettings(values, objectArgs(args));
}
Reply runSaveSetList(const Values& values, const Json& args, WorkControl*) {
  return saveSetList(values, objectArgs(args));
}
Reply runSound(const Values& values, const Json& args, WorkControl*) { return sound(values, objectArgs(args)); }
Reply runCompare(const Values& values, const Json& args, WorkControl*) { return compare(values, objectArgs(args)); }
Reply runCompareSets(const Values& values, const Json& args, WorkControl* control) {
  return compareSets(values, objectArgs(args), control);
}
Reply runNeeds(const Values& values, const Json& args, WorkControl* control) {
  return needs(values, objectArgs(args), control);
}
// The window hands mail links to the mail program itself; this only answers.
Reply runMail(const Values&, const Json&, WorkControl*) { return {{"ok", true}}; }

constexpr CommandNotice kInstallNotice{
    .doneTitle = {"Install finished", "Instalación terminada"},
    .doneBody = {"The programs and the list are in {path}", "Los programas y la lista están en {path}"},
    .failedTitle = {"The install did not happen", "La instalación no se ha hecho"}};
constexpr CommandNotice kRestoreNotice{
    .doneTitle = {"Programs restored", "Programas restaurados"},
    .doneBody = {"{#written} programs written, {#replaced} replaced", "{#written} programas escritos, {#replaced} sustituidos"},
    .failedTitle = {"The programs were not restored", "Los programas no se han restaurado"}};
constexpr CommandNotice kZipNotice{
    .doneTitle = {"ZIP archive made", "Archivo ZIP creado"},
    .doneBody = {"Saved as {path}", "Guardado en {path}"},
    .failedTitle = {"The ZIP archive was not made", "El archivo ZIP no se ha creado"}};
constexpr CommandNotice kLibraryNotice{
    .doneTitle = {"Library read", "Biblioteca leída"},
    .doneBody = {"{#total} programs found, {#damaged} damaged", "{#total} programas encontrados, {#damaged} dañados"},
    .failedTitle = {"The library was not read", "La biblioteca no se ha leído"}};

constexpr CommandRow kCommands[] = {
    {.name = "info", .run = runInfo,
     .help = "the status report: the user's folders, the destination, free space, Nord Sound Manager"},
    {.name = "prepare", .run = runPrepare, .help = "makes the export folder, <Desktop>/Para Velmorin"},
    {.name = "freeSpace", .run = runFreeSpace, .help = "{path}: the free space of the disk that holds path"},
    {.name = "nord", .run = runNord, .help = "whether a Nord keyboard is plugged in over USB"},
    {.name = "scan", .run = runScan, .reportsProgress = true,
     .help = "{dir, since}: program files and program lists around the usual folders, or in dir"},
    {.name = "library", .runLong = runLibrary, .reportsProgress = true, .notice = &kLibraryNotice,
     .help = "{dir, since}: every program file, in the maker's backups too, and whether it is intact"},
    {.name = "plan", .run = runPlan, .reportsProgress = true,
     .help = "{dest, model, list, progs, ext}: what install would do, changing nothing; with restore: true, what restore would"},
    {.name = "install", .run = runInstall, .writesUserFiles = true, .reportsProgress = true,
     .notice = &kInstallNotice,
     .help = "{dest, model, list, progs, ext}: copies a list and one model's programs into dest, with an archive"},
    {.name = "restore", .run = runRestore, .writesUserFiles = true, .reportsProgress = true,
     .notice = &kRestoreNotice,
     .help = "{from, entries, dest}: writes the chosen programs of a folder or backup into dest"},
    {.name = "zip", .run = runZip, .writesUserFiles = true, .reportsProgress = true, .notice = &kZipNotice,
     .help = "{path}: packs the folder into <Desktop>/Velmorin.zip"},
    {.name = "settings", .run = runSettings, .help = "the page's saved settings"},
    {.name = "saveSettings", .run = runSaveSettings, .help = "{dest}: saves the page's settings"},
    {.name = "saveSetList", .run = runSaveSetList, .writesUserFiles = true,
     .help = "{rows, path or dir}: writes the rows as a CSV set list"},
    {.name = "sound", .run = runSound,
     .help = "{path, inside}: what one program sounds like, from its file or its entry in a backup"},
    {.name = "compare", .run = runCompare, .help = "{a, b}: every setting that differs between two programs"},
    {.name = "compareSets", .run = runCompareSets, .reportsProgress = true,
     .help = "{a, b}: what changed between two folders or backups of programs, slot by slot"},
    {.name = "needs", .run = runNeeds, .reportsProgress = true,
     .help = "{programs or dir}: the pianos and samples a set of programs needs, and which this computer has"},
    {.name = "mail", .run = runMail, .help = "answers {\"ok\": true}; the window opens mail links itself"},
    {.name = "pickFolder", .bridge = BridgeRequest::pickFolder, .help = "{kind}: the desktop's folder chooser"},
    {.name = "pickSaveFile", .bridge = BridgeRequest::pickSaveFile, .help = "{kind}: the desktop's save dialog"},
    {.name = "openNSM", .bridge = BridgeRequest::openNsm, .help = "opens Nord Sound Manager"},
    {.name = "openURL", .bridge = BridgeRequest::openUrl, .help = "{url}: opens a web or mail link"},
    {.name = "reveal", .bridge = BridgeRequest::reveal, .help = "{path}: shows a file in the file manager"},
    {.name = "print", .bridge = BridgeRequest::print, .help = "prints the page's print view through the print dialog"},
    {.name = "quit", .bridge = BridgeRequest::quit,
     .help = "ends the application once the commands that write files are done"},
    {.name = "cancel", .bridge = BridgeRequest::cancel, .help = "{id}: stops a command that reports progress"},
};

}  // namespace

std::span<const CommandRow> commandTable() { return kCommands; }

const CommandRow* findCommand(std::string_view name) {
  const auto row = std::ranges::find(kCommands, name, &CommandRow::name);
  return row == std::end(kCommands) ? nullptr : &*row;
}

}  // namespace velmorin
