#include "commands/dispatcher.h"

#include "commands/command_table.h"
#include "commands/failure_reply.h"
#include "vocabulary/language.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {

Reply internalError(const Values& values, const std::exception& e) {
  return failureReply(Status::said(Problem::Failed, FailureText::InternalErrorAbout, {e.what()}),
                      spanish(values));
}

// The one reply of an unknown name, and of a request only the window serves;
// callers look for this exact word.
Reply unknownCommand() { return {{"error", "cmd"}, {"code", "invalid"}}; }

}  // namespace

Reply work(const Values& values, const std::string& cmd, const Json& args, platform::WorkControl* control) {
  const CommandRow* row = findCommand(cmd);
  if (!row || !onCommandLine(*row)) return unknownCommand();
  // The commands report failures in their replies; this only keeps a stray
  // exception (such as running out of memory) from crossing into the caller.
  try {
    return row->run ? row->run(values, args, control) : replyTree(row->runLong(values, args, control));
  } catch (const std::exception& e) {
    return internalError(values, e);
  }
}

LongReply workLong(const Values& values, const std::string& cmd, const Json& args, platform::WorkControl* control) {
  const CommandRow* row = findCommand(cmd);
  if (!row || !row->runLong) return work(values, cmd, args, control);
  try {
    return row->runLong(values, args, control);
  } catch (const std::exception& e) {
    return internalError(values, e);
  }
}

}  // namespace velmorin
