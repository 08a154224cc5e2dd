#include "commands/dispatcher.h"

#include "commands/commands.h"

namespace velmorin {

namespace {
const Json* member(const Json& args, const char* key) {
  if (!args.is_object()) return nullptr;
  const auto it = args.find(key);
  return it == args.end() ? nullptr : &*it;
}
}  // namespace

namespace {
Reply dispatch(const Values& values, const std::string& cmd, const Json& args) {
  if (cmd == "info") return info(values);
  if (cmd == "prepare") return prepare(values);
  if (cmd == "nord") return nord(values);
  if (cmd == "scan") {
    const Json* since = member(args, "since");
    return scan(values, since && since->is_number() ? since->get<double>() : 0.0, textMember(args, "dir"));
  }
  if (cmd == "install") return install(values, args.is_object() ? args : Json::object());
  if (cmd == "zip") return zip(values, textMember(args, "path").value_or(""));
  if (cmd == "mail") return {{"ok", true}};
  return {{"error", "cmd"}};
}
}  // namespace

Reply work(const Values& values, const std::string& cmd, const Json& args) {
  // The commands report failures in their replies; this only keeps a stray
  // exception (such as running out of memory) from crossing into the caller.
  try {
    return dispatch(values, cmd, args);
  } catch (const std::exception& e) {
    return {{"ok", false}, {"error", std::string("Internal error: ") + e.what()}};
  }
}

}  // namespace velmorin
