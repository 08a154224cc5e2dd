#pragma once
// How every command tells a failure: {"ok": false, "error": <text in the
// user's language>, "code": <the kind of problem>}.
#include "vocabulary/json_text.h"
#include "platform/status.h"

namespace velmorin {

Reply failureReply(const Status& failure, bool spanish);

}  // namespace velmorin
