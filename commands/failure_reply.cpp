#include "commands/failure_reply.h"

#include "vocabulary/failure_words.h"

namespace velmorin {

Reply failureReply(const Status& failure, bool spanish) {
  return {{"ok", false}, {"error", failureText(failure, spanish)}, {"code", problemCode(failure.problem())}};
}

}  // namespace velmorin
