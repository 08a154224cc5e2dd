// Any bytes in a reply's texts still print as JSON that parses.
#include <cstdint>
#include <string>

#include "vocabulary/json_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const velmorin::Reply reply = {{"path", text}, {"nested", {{text.substr(0, size / 2), text}}}};
  for (const std::string& printed : {velmorin::compactJson(reply), velmorin::prettyJson(reply)}) {
    const auto back = velmorin::parseJson(printed);
    if (!back || !back->is_object() || !(*back)["path"].is_string()) __builtin_trap();
  }
  return 0;
}
