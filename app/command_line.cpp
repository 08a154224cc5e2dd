#include "app/command_line.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/selftest.h"
#include "app/startup.h"
#include "commands/command_table.h"
#include "commands/dispatcher.h"
#include "platform/file_checks.h"
#include "platform/own_program.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  velmorin-sync                          open the window\n"
    "  velmorin-sync --selftest SCAN DEST     run info, nord, scan of SCAN and install into DEST\n"
    "  velmorin-sync --command NAME [ARGS]    run one command; ARGS is a JSON object (default {})\n"
    "  velmorin-sync --help | --version\n";

// The usage, then the command table's command-line commands: their names on
// one line, then each with its line of help.
std::string usage() {
  std::string names;
  std::string lines;
  for (const CommandRow& row : commandTable()) {
    if (!onCommandLine(row)) continue;
    names += (names.empty() ? "" : ", ") + std::string(row.name);
    std::string name(row.name);
    name.resize(std::max<std::size_t>(name.size() + 2, 16), ' ');
    lines += "  " + name + std::string(row.help) + "\n";
  }
  return kUsage + ("Commands: " + names + ".\n") + lines;
}

int runOneCommand(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::cerr << "velmorin-sync: --command needs a command name and at most one JSON object of arguments\n"
              << usage();
    return 2;
  }
  const std::string name = argv[2];
  Reply args = Reply::object();
  if (argc == 4) {
    const auto parsed = parseJson(argv[3]);
    if (!parsed || !parsed->is_object()) {
      std::cerr << "velmorin-sync: the arguments must be one JSON object, such as {\"dir\": \"/home/ana/Music\"}\n";
      return 2;
    }
    args = *parsed;
  }
  // Written as it is made: a long reply is never held whole.
  JsonWriter out(JsonStyle::Pretty, [](std::string_view piece) {
    std::cout.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  });
  LongReply reply;
  try {
    reply = workLong(processValues(), name, args);
    writeReply(reply, out);
    (void)out.finish();
  } catch (const std::exception& e) {
    std::cerr << "velmorin-sync: the reply could not be written: " << e.what() << '\n';
    return 1;
  }
  std::cout << '\n' << std::flush;
  if (!std::cout) {
    std::cerr << "velmorin-sync: the reply could not be written to standard output\n";
    return 1;
  }
  // A failure is told on standard error too, and by the exit status: 2 for
  // arguments the command refused, 1 for anything else.
  const Reply& head = reply.head;
  const bool failed = head.is_object() && (head.contains("ok") ? head["ok"] == false : head.contains("error"));
  if (failed) {
    const Reply error = head.value("error", Reply());
    const bool unknown = !head.contains("ok") && error == "cmd";
    const std::string text = error.is_string() ? error.get<std::string>() : "";
    // Refused arguments are named by the argument alone, as the page expects.
    const bool argument = !text.empty() && text.find(' ') == std::string::npos;
    std::cerr << "velmorin-sync: "
              << (unknown    ? "there is no command \"" + name + "\"; --help lists them"
                  : argument ? "the argument \"" + text + "\" is missing or not valid"
                  : text.empty() ? std::string("the command failed")
                                 : text)
              << '\n';
    return head.value("code", Reply()) == "invalid" ? 2 : 1;
  }
  return 0;
}

// The window program: beside this one (a build, or an installation that keeps
// them together), in the libexec folder beside the bin folder, or where this
// build was configured to install it.
std::vector<std::filesystem::path> windowPrograms() {
  const std::filesystem::path own = platform::ownProgram();
  std::vector<std::filesystem::path> places;
  if (!own.empty()) {
    places.push_back(own.parent_path() / "velmorin-sync-window");
    places.push_back(own.parent_path().parent_path() / "libexec" / "velmorin-sync-window");
  }
  places.emplace_back(VELMORIN_INSTALLED_WINDOW);
  return places;
}

int runWindow(char** argv) {
  std::string tried;
  for (const auto& program : windowPrograms()) {
    if (!platform::isFolder(program) && platform::kindOf(program) != platform::EntryKind::Missing) {
      const Status started = platform::runInstead(program, argv);
      std::cerr << "velmorin-sync: " << failureText(started, false) << '\n';
      return 1;
    }
    tried += (tried.empty() ? "" : ", ") + program.string();
  }
  std::cerr << "velmorin-sync: this installation has no window program (looked for " << tried
            << "); use --selftest or --command, see --help\n";
  return 1;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::cout << usage();
    return 0;
  }
  if (first == "--version") {
    std::cout << "velmorin-sync " << VELMORIN_VERSION << '\n';
    return 0;
  }
  setProcessValues(valuesFromEnvironment(platform::processEnvironment()));
  if (argc >= 4 && first == "--selftest") return runSelfTest(processValues(), argv[2], argv[3], std::cout);
  if (first == "--command") return runOneCommand(argc, argv);
  return runWindow(argv);
}

}  // namespace velmorin
