#include "vocabulary/language.h"

namespace velmorin {

bool spanish(const std::vector<std::string>& preferredTags) {
  const std::string first = preferredTags.empty() ? "en" : preferredTags.front();
  return first.starts_with("es");
}

bool spanish(const Values& values) {
  return spanish(values.preferredLanguages ? values.preferredLanguages() : std::vector<std::string>{});
}

}  // namespace velmorin
