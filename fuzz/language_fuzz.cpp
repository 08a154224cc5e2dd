// Any locale variables give tags without codeset or modifier, and a language choice.
#include <cstdint>
#include <map>
#include <string>

#include "vocabulary/language.h"
#include "platform/environment.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input is split at NUL bytes into LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
  std::map<std::string, std::string> variables;
  const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t from = 0;
  for (const char* name : names) {
    if (from > text.size()) break;
    const auto to = std::min(text.find('\0', from), text.size());
    variables[name] = text.substr(from, to - from);
    from = to + 1;
  }
  const auto env = [&](const char* name) -> const char* {
    const auto it = variables.find(name);
    return it == variables.end() ? nullptr : it->second.c_str();
  };
  const auto tags = velmorin::platform::preferredLanguageTags(env);
  for (const std::string& tag : tags)
    if (tag.empty() || tag.find_first_of(".@_") != std::string::npos) __builtin_trap();
  const bool es = velmorin::spanish(tags);
  if (es != (!tags.empty() && tags.front().rfind("es", 0) == 0)) __builtin_trap();
  return 0;
}
