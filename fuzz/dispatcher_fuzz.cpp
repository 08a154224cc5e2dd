// Any argument dictionary, for any command, gives a reply that is valid JSON.
// Paths, and the Trash, are kept inside a throw-away home so that the commands
// cannot touch anything else.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/dispatcher.h"

namespace {

const velmorin::Values& fuzzValues() {
  static const velmorin::Values values = [] {
    char pattern[] = "/tmp/velmorin-fuzz-XXXXXX";
    const std::filesystem::path home = mkdtemp(pattern);
    std::filesystem::create_directories(home / "Sounds/Sub");
    for (const char* name : {"Sounds/A.ns3f", "Sounds/B.NS3F", "Sounds/Sub/C.ns3f", "Sounds/Nord Program.html"})
      std::system(("echo x > '" + (home / name).string() + "'").c_str());
    // What installs and zips replace goes to this home's Trash, not the user's.
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    static const std::filesystem::path cleanup = home;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(cleanup, ignored);
    });
    return velmorin::valuesForHome(home);
  }();
  return values;
}

// Every text that names a path is moved below the fuzz home, with no way back up.
void confinePath(velmorin::Json& value) {
  if (!value.is_string()) return;
  std::string path = value.get<std::string>();
  for (auto at = path.find(".."); at != std::string::npos; at = path.find("..", at)) path.replace(at, 2, "__");
  value = fuzzValues().HOME.string() + "/x/" + path;
}

// A place is a path, or a {path, inside} pair (a program inside a backup).
void confinePlace(velmorin::Json& value) {
  if (!value.is_object()) return confinePath(value);
  for (const char* key : {"path", "inside"})
    if (auto it = value.find(key); it != value.end()) confinePath(*it);
}

void confine(velmorin::Json& args) {
  for (const char* key : {"dir", "dest", "list", "progs", "path", "inside", "from", "a", "b"})
    if (auto it = args.find(key); it != args.end()) confinePlace(*it);
  if (auto programs = args.find("programs"); programs != args.end() && programs->is_array())
    for (velmorin::Json& program : *programs) confinePlace(program);
}

// Every command the command line runs, and two names that are none.
const std::vector<std::string>& commandNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const velmorin::CommandRow& row : velmorin::commandTable())
      if (velmorin::onCommandLine(row)) all.emplace_back(row.name);
    all.emplace_back("Info");
    all.emplace_back("");
    return all;
  }();
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string& cmd = commandNames()[data[0] % commandNames().size()];
  velmorin::Reply args = velmorin::Reply::parse(data + 1, data + size, nullptr, false);
  if (args.is_discarded()) return 0;
  if (args.is_object()) confine(args);
  const velmorin::Reply reply = velmorin::work(fuzzValues(), cmd, args);
  if (!reply.is_object()) __builtin_trap();
  const velmorin::Reply back = velmorin::Reply::parse(velmorin::compactJson(reply), nullptr, false);
  if (back.is_discarded()) __builtin_trap();
  return 0;
}
