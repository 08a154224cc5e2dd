#include "commands/failure_reply.h"

namespace velmorin {

Reply failureReply(const Status& failure, bool spanish) {
  return {{"ok", false}, {"error", failure.error(spanish)}, {"code", problemCode(failure.problem())}};
}

}  // namespace velmorin
