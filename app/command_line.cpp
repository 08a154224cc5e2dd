#include "app/command_line.h"

#include <cstring>
#include <iostream>
#include <string>

#include "app/selftest.h"
#include "app/startup.h"
#include "commands/dispatcher.h"

namespace velmorin {

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  velmorin-sync                          open the window\n"
    "  velmorin-sync --selftest SCAN DEST     run info, nord, scan of SCAN and install into DEST\n"
    "  velmorin-sync --command NAME [ARGS]    run one command; ARGS is a JSON object (default {})\n"
    "  velmorin-sync --help | --version\n"
    "Commands: info, prepare, nord, scan, install, zip, mail.\n";

int runOneCommand(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::cerr << "velmorin-sync: --command needs a command name and at most one JSON object of arguments\n"
              << kUsage;
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
  std::cout << prettyJson(work(processValues(), name, args)) << '\n' << std::flush;
  return 0;
}

}  // namespace

int runCommandLine(int argc, char** argv, WindowRunner window) {
  setProcessValues(valuesFromEnvironment(platform::processEnvironment()));
  const std::string first = argc > 1 ? argv[1] : "";

  if (argc >= 4 && first == "--selftest") return runSelfTest(processValues(), argv[2], argv[3], std::cout);
  if (first == "--command") return runOneCommand(argc, argv);
  if (first == "--help" || first == "-h") {
    std::cout << kUsage;
    return 0;
  }
  if (first == "--version") {
    std::cout << "velmorin-sync " << VELMORIN_VERSION << '\n';
    return 0;
  }
  if (!window) {
    std::cerr << "velmorin-sync: this build has no window (GTK/WebKitGTK were not found when it was built); "
                 "use --selftest or --command, see --help\n";
    return 1;
  }
  return window(argc, argv);
}

}  // namespace velmorin
