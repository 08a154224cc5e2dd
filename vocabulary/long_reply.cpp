#include "vocabulary/long_reply.h"

namespace velmorin {

void writeReply(const LongReply& reply, JsonWriter& writer) {
  if (reply.listKey.empty() || !reply.writeList) return writer.value(reply.head);
  bool listed = false;
  const auto writeList = [&] {
    writer.key(reply.listKey);
    reply.writeList(writer);
    listed = true;
  };
  writer.beginObject();
  if (reply.head.is_object()) {
    for (const auto& [name, member] : reply.head.items()) {
      if (name == reply.listKey) continue;  // the long member stands for it
      if (!listed && reply.listKey < name) writeList();
      writer.key(name);
      writer.value(member);
    }
  }
  if (!listed) writeList();
  writer.endObject();
}

std::string replyText(const LongReply& reply, JsonStyle style) {
  JsonWriter writer(style);
  writeReply(reply, writer);
  return writer.finish();
}

Reply replyTree(const LongReply& reply) {
  if (reply.listKey.empty() || !reply.writeList) return reply.head;
  return Reply::parse(replyText(reply, JsonStyle::Compact));
}

}  // namespace velmorin
