#include "app/selftest.h"

#include "commands/dispatcher.h"

namespace velmorin {

namespace {
void print(std::ostream& out, const Reply& reply) { out << prettyJson(reply) << '\n' << std::flush; }

// The value under `key` of the scan reply's `section`, when that is a dictionary holding it.
Reply pick(const Reply& scanReply, const char* section, const char* key) {
  const auto it = scanReply.find(section);
  if (it == scanReply.end() || !it->is_object()) return nullptr;
  const auto value = it->find(key);
  return value == it->end() ? Reply(nullptr) : *value;
}
}  // namespace

int runSelfTest(const Values& values, const std::string& scanFolder, const std::string& destFolder,
                std::ostream& out) {
  Reply status = work(values, "info", Reply::object());
  status["diskFree"] = "\u2026";  // the free space changes from run to run
  print(out, status);

  print(out, work(values, "nord", Reply::object()));

  const Reply found = work(values, "scan", {{"since", 0.0}, {"dir", scanFolder}});
  print(out, found);

  Reply model = pick(found, "list", "model");
  if (model.is_null()) model = pick(found, "progs", "model");
  if (model.is_null()) model = "Nord";
  print(out, work(values, "install",
                  {{"dest", destFolder},
                   {"list", pick(found, "list", "path")},
                   {"model", model},
                   {"progs", pick(found, "progs", "dir")},
                   {"ext", pick(found, "progs", "ext")}}));
  return 0;
}

}  // namespace velmorin
