#include "commands/sound_names.h"

#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "commands/sound_file.h"
#include "platform/folder.h"

namespace velmorin {

namespace {

// Our own data file, but read as carefully as any: a line that does not parse is passed over.
constexpr std::size_t kMaxTableBytes = 8 << 20;

struct Table {
  std::unordered_map<std::uint32_t, SoundRow> rows;
  std::unordered_multimap<std::string, std::uint32_t> byName;  // each name a row answers to
};

std::vector<std::string_view> columns(std::string_view line) {
  std::vector<std::string_view> cells;
  for (std::size_t start = 0;;) {
    const auto tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return cells;
    start = tab + 1;
  }
}

// The names a row answers to: each of its comma-separated names, each also
// without the version written after it ("Clavinet D6 CA 5.0").
void indexNames(Table& table, std::uint32_t id, const SoundRow& row) {
  std::string_view names = row.name;
  for (std::size_t start = 0; start <= names.size();) {
    const auto comma = names.find(',', start);
    const std::string_view one = names.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    table.byName.emplace(std::string(one), id);
    const std::string suffix = " " + row.version;
    if (!row.version.empty() && one.size() > suffix.size() && one.ends_with(suffix))
      table.byName.emplace(std::string(one.substr(0, one.size() - suffix.size())), id);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (row.name.find(',') != std::string::npos) table.byName.emplace(row.name, id);
}

Table readTable(const std::filesystem::path& path) {
  Table table;
  const auto text = platform::readRegularFile(path.string(), kMaxTableBytes);
  if (!text) return table;
  std::istringstream lines(*text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto cells = columns(line);
    if (cells.size() < 3 || cells[0].size() != 8) continue;
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(cells[0].data(), cells[0].data() + 8, id, 16);
    if (error != std::errc() || end != cells[0].data() + 8 || id == 0) continue;
    SoundRow row;
    row.kind = soundKindOf(cells[1]);
    row.name = cells[2];
    if (cells.size() > 3) row.version = cells[3];
    if (cells.size() > 5) {
      std::int64_t size = 0;
      const auto [sizeEnd, sizeError] = std::from_chars(cells[5].data(), cells[5].data() + cells[5].size(), size);
      if (sizeError == std::errc() && sizeEnd == cells[5].data() + cells[5].size() && size > 0) row.size = size;
    }
    if (!table.rows.contains(id)) indexNames(table, id, row);
    table.rows.emplace(id, std::move(row));
  }
  return table;
}

std::shared_ptr<const Table> tableAt(const std::filesystem::path& path) {
  static std::mutex mutex;
  static std::map<std::filesystem::path, std::shared_ptr<const Table>> tables;
  const std::lock_guard lock(mutex);
  auto& slot = tables[path];
  if (!slot) slot = std::make_shared<const Table>(readTable(path));
  return slot;
}

}  // namespace

std::optional<SoundRow> soundRow(const std::filesystem::path& table, std::uint32_t id) {
  if (table.empty() || id == 0) return std::nullopt;
  const auto rows = tableAt(table);
  const auto found = rows->rows.find(id);
  if (found == rows->rows.end()) return std::nullopt;
  return found->second;
}

std::string soundName(const std::filesystem::path& table, std::uint32_t id) {
  const auto row = soundRow(table, id);
  return row ? row->name : "";
}

std::optional<std::uint32_t> soundIdOf(const std::filesystem::path& table, std::string_view kind,
                                       std::string_view name, std::string_view version) {
  if (table.empty() || name.empty()) return std::nullopt;
  const auto rows = tableAt(table);
  std::optional<std::uint32_t> match;
  const auto [from, to] = rows->byName.equal_range(std::string(name));
  for (auto it = from; it != to; ++it) {
    const SoundRow& row = rows->rows.at(it->second);
    if ((!row.kind.empty() && row.kind != kind) || (!version.empty() && row.version != version)) continue;
    if (match && *match != it->second) return std::nullopt;  // two sounds answer to it: neither is sure
    match = it->second;
  }
  return match;
}

}  // namespace velmorin
