#include "commands/sound_names.h"

#include <atomic>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "commands/sound_file.h"
#include "platform/folder.h"

namespace velmorin {

namespace {

// Our own data file, but read as carefully as any: a line that does not parse is passed over.
constexpr std::size_t kMaxTableBytes = 8 << 20;

struct Table {
  std::unordered_map<std::uint32_t, SoundRow> rows;
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
void indexNames(std::unordered_multimap<std::string, std::uint32_t>& byName, std::uint32_t id, const SoundRow& row) {
  std::string_view names = row.name;
  for (std::size_t start = 0; start <= names.size();) {
    const auto comma = names.find(',', start);
    const std::string_view one = names.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    byName.emplace(std::string(one), id);
    const std::string suffix = " " + row.version;
    if (!row.version.empty() && one.size() > suffix.size() && one.ends_with(suffix))
      byName.emplace(std::string(one.substr(0, one.size() - suffix.size())), id);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (row.name.find(',') != std::string::npos) byName.emplace(row.name, id);
}

// One line of the table as an id and its row; nothing for a line that does not parse.
std::optional<std::pair<std::uint32_t, SoundRow>> rowOf(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto cells = columns(line);
  if (cells.size() < 3 || cells[0].size() != 8) return std::nullopt;
  std::uint32_t id = 0;
  const auto [end, error] = std::from_chars(cells[0].data(), cells[0].data() + 8, id, 16);
  if (error != std::errc() || end != cells[0].data() + 8 || id == 0) return std::nullopt;
  SoundRow row;
  row.kind = soundKindOf(cells[1]);
  row.name = cells[2];
  if (cells.size() > 3) row.version = cells[3];
  if (cells.size() > 5) {
    std::int64_t size = 0;
    const auto [sizeEnd, sizeError] = std::from_chars(cells[5].data(), cells[5].data() + cells[5].size(), size);
    if (sizeError == std::errc() && sizeEnd == cells[5].data() + cells[5].size() && size > 0) row.size = size;
  }
  return std::pair{id, std::move(row)};
}

// Calls `each` for every line of `text`, without the line's end.
template <class Each>
void forEachLine(std::string_view text, Each each) {
  for (std::size_t start = 0; start < text.size();) {
    const auto newline = text.find('\n', start);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    if (!each(text.substr(start, end - start))) return;
    start = end + 1;
  }
}

Table indexOf(std::string_view text) {
  Table table;
  forEachLine(text, [&](std::string_view line) {
    if (auto parsed = rowOf(line)) table.rows.emplace(std::move(*parsed));  // the first row of an id stays
    return true;
  });
  return table;
}

// The rows by each name they answer to, built only when a sound is looked up by name.
std::unordered_multimap<std::string, std::uint32_t> namesOf(const Table& table) {
  std::unordered_multimap<std::string, std::uint32_t> byName;
  for (const auto& [id, row] : table.rows) indexNames(byName, id, row);
  return byName;
}

// The table's file, read once; indexed once it is asked for more than a few
// rows. A single program names one or two sounds: building the index for them
// would cost more than the rest of its sheet.
class TableFile {
 public:
  explicit TableFile(const std::filesystem::path& path)
      : text_(platform::readRegularFile(path.string(), kMaxTableBytes).value_or("")) {}

  std::shared_ptr<const Table> index() {
    std::call_once(indexed_, [this] { index_ = std::make_shared<const Table>(indexOf(text_)); });
    return index_;
  }

  const std::unordered_multimap<std::string, std::uint32_t>& names() {
    std::call_once(named_, [this] { names_ = namesOf(*index()); });
    return names_;
  }

  std::optional<SoundRow> row(std::uint32_t id) {
    if (scans_.fetch_add(1) >= kScansBeforeIndex) {
      const auto table = index();
      const auto found = table->rows.find(id);
      if (found == table->rows.end()) return std::nullopt;
      return found->second;
    }
    // The first line that parses to `id` is its row, as in the index.
    std::optional<SoundRow> found;
    forEachLine(text_, [&](std::string_view line) {
      if (line.size() < 8 || !sameHex(line.substr(0, 8), id)) return true;
      if (auto parsed = rowOf(line); parsed && parsed->first == id) found = std::move(parsed->second);
      return !found;
    });
    return found;
  }

 private:
  static constexpr int kScansBeforeIndex = 8;

  // Whether the 8 characters `hex` might spell `id`: a cheap test before parsing.
  static bool sameHex(std::string_view hex, std::uint32_t id) {
    for (int i = 7; i >= 0; --i, id >>= 4) {
      const char want = "0123456789abcdef"[id & 0xF];
      if (hex[i] != want && hex[i] != (want >= 'a' ? static_cast<char>(want - 'a' + 'A') : want)) return false;
    }
    return true;
  }

  const std::string text_;
  std::atomic<int> scans_{0};
  std::once_flag indexed_;
  std::shared_ptr<const Table> index_;
  std::once_flag named_;
  std::unordered_multimap<std::string, std::uint32_t> names_;
};

TableFile& tableAt(const std::filesystem::path& path) {
  static std::mutex mutex;
  static std::map<std::filesystem::path, std::unique_ptr<TableFile>> tables;
  const std::lock_guard lock(mutex);
  auto& slot = tables[path];
  if (!slot) slot = std::make_unique<TableFile>(path);
  return *slot;
}

}  // namespace

std::optional<SoundRow> soundRow(const std::filesystem::path& table, std::uint32_t id) {
  if (table.empty() || id == 0) return std::nullopt;
  return tableAt(table).row(id);
}

std::string soundName(const std::filesystem::path& table, std::uint32_t id) {
  const auto row = soundRow(table, id);
  return row ? row->name : "";
}

std::optional<std::uint32_t> soundIdOf(const std::filesystem::path& table, std::string_view kind,
                                       std::string_view name, std::string_view version) {
  if (table.empty() || name.empty()) return std::nullopt;
  TableFile& file = tableAt(table);
  const auto rows = file.index();
  std::optional<std::uint32_t> match;
  const auto [from, to] = file.names().equal_range(std::string(name));
  for (auto it = from; it != to; ++it) {
    const SoundRow& row = rows->rows.at(it->second);
    if ((!row.kind.empty() && row.kind != kind) || (!version.empty() && row.version != version)) continue;
    if (match && *match != it->second) return std::nullopt;  // two sounds answer to it: neither is sure
    match = it->second;
  }
  return match;
}

}  // namespace velmorin
