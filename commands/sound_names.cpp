#include "commands/sound_names.h"

#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string_view>
#include <unordered_map>

#include "platform/folder.h"

namespace velmorin {

namespace {

// Our own data file, but read as carefully as any: a line that does not parse is passed over.
constexpr std::size_t kMaxTableBytes = 8 << 20;

using Names = std::unordered_map<std::uint32_t, std::string>;

Names readTable(const std::filesystem::path& table) {
  Names names;
  const auto text = platform::readRegularFile(table.string(), kMaxTableBytes);
  if (!text) return names;
  std::istringstream lines(*text);
  for (std::string line; std::getline(lines, line);) {
    const auto firstTab = line.find('\t');
    const auto secondTab = firstTab == std::string::npos ? std::string::npos : line.find('\t', firstTab + 1);
    if (firstTab != 8 || secondTab == std::string::npos) continue;
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(line.data(), line.data() + 8, id, 16);
    if (error != std::errc() || end != line.data() + 8) continue;
    const auto nameEnd = line.find('\t', secondTab + 1);
    names.emplace(id, line.substr(secondTab + 1, nameEnd == std::string::npos ? std::string::npos : nameEnd - secondTab - 1));
  }
  return names;
}

}  // namespace

std::string soundName(const std::filesystem::path& table, std::uint32_t id) {
  if (table.empty() || id == 0) return "";
  static std::mutex mutex;
  static std::map<std::filesystem::path, std::shared_ptr<const Names>> tables;
  std::shared_ptr<const Names> names;
  {
    const std::lock_guard lock(mutex);
    auto& slot = tables[table];
    if (!slot) slot = std::make_shared<const Names>(readTable(table));
    names = slot;
  }
  const auto found = names->find(id);
  return found == names->end() ? "" : found->second;
}

}  // namespace velmorin
