#include "commands/dispatcher.h"

#include "commands/commands.h"
#include "commands/failure_reply.h"
#include "vocabulary/language.h"

namespace velmorin {

namespace {
const Json* member(const Json& args, const char* key) {
  if (!args.is_object()) return nullptr;
  const auto it = args.find(key);
  return it == args.end() ? nullptr : &*it;
}
}  // namespace

namespace {
// "since" in ms, 0 (everything) when it is missing or not a number.
double sinceOf(const Json& args) {
  const Json* since = member(args, "since");
  return since && since->is_number() ? since->get<double>() : 0.0;
}

LongReply runLibrary(const Values& values, const Json& args, platform::WorkControl* control) {
  return library(values, sinceOf(args), textMember(args, "dir"), control);
}

Reply internalError(const Values& values, const std::exception& e) {
  return failureReply(Status::failure(Problem::Failed, std::string("Internal error: ") + e.what(),
                                      std::string("Error interno: ") + e.what()),
                      spanish(values));
}

Reply dispatch(const Values& values, const std::string& cmd, const Json& args, platform::WorkControl* control) {
  if (cmd == "info") return info(values);
  if (cmd == "prepare") return prepare(values);
  if (cmd == "freeSpace") return freeSpace(values, args.is_object() ? args : Json::object());
  if (cmd == "nord") return nord(values);
  if (cmd == "scan") return scan(values, sinceOf(args), textMember(args, "dir"), control);
  if (cmd == "library") return replyTree(runLibrary(values, args, control));
  if (cmd == "install") return install(values, args.is_object() ? args : Json::object(), control);
  if (cmd == "plan") return plan(values, args.is_object() ? args : Json::object(), control);
  if (cmd == "zip") return zip(values, textMember(args, "path").value_or(""), control);
  if (cmd == "settings") return settings(values);
  if (cmd == "saveSettings") return saveSettings(values, args.is_object() ? args : Json::object());
  if (cmd == "sound") return sound(values, args.is_object() ? args : Json::object());
  if (cmd == "compare") return compare(values, args.is_object() ? args : Json::object());
  if (cmd == "saveSetList") return saveSetList(values, args.is_object() ? args : Json::object());
  if (cmd == "mail") return {{"ok", true}};
  // The one reply of an unknown name; callers look for this exact word.
  return {{"error", "cmd"}, {"code", "invalid"}};
}
}  // namespace

Reply work(const Values& values, const std::string& cmd, const Json& args, platform::WorkControl* control) {
  // The commands report failures in their replies; this only keeps a stray
  // exception (such as running out of memory) from crossing into the caller.
  try {
    return dispatch(values, cmd, args, control);
  } catch (const std::exception& e) {
    return internalError(values, e);
  }
}

LongReply workLong(const Values& values, const std::string& cmd, const Json& args, platform::WorkControl* control) {
  if (cmd != "library") return work(values, cmd, args, control);
  try {
    return runLibrary(values, args, control);
  } catch (const std::exception& e) {
    return internalError(values, e);
  }
}

}  // namespace velmorin
