#include "commands/list_model.h"

#include <string_view>

#include "vocabulary/text.h"
#include "vocabulary/values.h"
#include "platform/folder.h"

namespace velmorin {

namespace {

// A list names its model near its start; a web page saved as a folder holds
// the page in an index file.
constexpr std::size_t kReadBytes = 64 * 1024;

// The known model named earliest in `text` (lower case); of two starting at
// the same place the longer ("Nord Stage 3" over "Nord Stage").
std::string firstModelIn(const std::string& text) {
  std::string found;
  std::size_t at = std::string::npos;
  for (const auto& [ext, model] : PROG_EXT) {
    const std::size_t place = text.find(lowerAscii(model));
    if (place == std::string::npos) continue;
    if (place < at || (place == at && model.size() > found.size())) {
      at = place;
      found = model;
    }
  }
  return found;
}

}  // namespace

std::string suggestedListModel(const std::filesystem::path& list) {
  const std::string name = list.filename().string();
  const auto program = name.find(" Program");
  if (program != std::string::npos) {
    const std::string model = firstModelIn(lowerAscii(std::string_view(name).substr(0, program)));
    if (!model.empty()) return model;
  }
  auto text = platform::readRegularFile(list.string(), kReadBytes);
  if (!text) text = platform::readRegularFile((list / "index.html").string(), kReadBytes);
  if (text) {
    const std::string model = firstModelIn(lowerAscii(*text));
    if (!model.empty()) return model;
  }
  return firstModelIn(lowerAscii(name));
}

}  // namespace velmorin
