#pragma once
// A reply with one long member (a list of many thousand entries) that is
// written straight to text when the reply is, never held as a JSON tree.
#include <functional>
#include <string>

#include "vocabulary/json_text.h"
#include "vocabulary/json_writer.h"

namespace velmorin {

struct LongReply {
  LongReply() = default;
  // Any other reply: nothing written late.
  LongReply(Reply whole) : head(std::move(whole)) {}  // NOLINT: every reply is one

  Reply head;           // the other members, few and small
  std::string listKey;  // the long member's name, "" for none
  // Writes the long member's value; may be called more than once.
  std::function<void(JsonWriter&)> writeList;
};

// The whole reply, members in sorted order, the long one among them.
void writeReply(const LongReply& reply, JsonWriter& writer);
std::string replyText(const LongReply& reply, JsonStyle style);

// As a JSON tree, for callers that look inside the long member (tests).
Reply replyTree(const LongReply& reply);

}  // namespace velmorin
