// Any bytes in a reply's texts still print as JSON that parses, exactly as
// nlohmann's own dump() prints it.
#include <cstdint>
#include <cstring>
#include <string>

#include "vocabulary/json_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  double number = 0;
  if (size >= sizeof number) std::memcpy(&number, data, sizeof number);
  const velmorin::Reply reply = {
      {"path", text}, {"nested", {{text.substr(0, size / 2), text}}}, {"number", number}, {"list", velmorin::Reply::array()}};
  for (const std::string& printed : {velmorin::compactJson(reply), velmorin::prettyJson(reply)}) {
    const auto back = velmorin::parseJson(printed);
    if (!back || !back->is_object() || !(*back)["path"].is_string()) __builtin_trap();
  }
  if (velmorin::compactJson(reply) != reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))
    __builtin_trap();
  return 0;
}
