#include "bridge/reply_script.h"

namespace velmorin::bridge {

std::string replyScript(std::int64_t id, const Reply& reply) { return replyScript(id, compactJson(reply)); }

std::string replyScript(std::int64_t id, const std::string& compactReply) {
  std::string array;
  try {
    // ensure_ascii keeps U+2028/U+2029 and every other non-ASCII character as
    // escapes, so the script text is plain ASCII whatever the reply holds.
    array = nlohmann::json::array({compactReply}).dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
  } catch (...) {
    array = R"(["{}"])";
  }
  return "window.__vlReply(" + std::to_string(id) + ", " + array + "[0])";
}

std::string eventScript(const Reply& event) {
  const std::string object = event.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
  return "typeof window.__vlEvent === \"function\" && window.__vlEvent(" + object + ")";
}

std::string progressScript(std::int64_t id, const Reply& progress) {
  const std::string object = progress.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
  return "typeof window.__vlProgress === \"function\" && window.__vlProgress(" + std::to_string(id) + ", " + object +
         ")";
}

}  // namespace velmorin::bridge
