#include "commands/sound_names.h"

#include <algorithm>
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

// The id of a line that is a row (8 hex digits, not 0, then at least two more
// columns); nothing for a line that does not parse.
std::optional<std::uint32_t> idOf(std::string_view line) {
  if (line.size() < 10 || line[8] != '\t' || line.find('\t', 9) == std::string_view::npos) return std::nullopt;
  std::uint32_t id = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + 8, id, 16);
  if (error != std::errc() || end != line.data() + 8 || id == 0) return std::nullopt;
  return id;
}

// A line that idOf takes, as its row.
SoundRow rowOf(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto cells = columns(line);
  SoundRow row;
  row.kind = soundKindOf(cells[1]);
  row.name = cells[2];
  if (cells.size() > 3) row.version = cells[3];
  if (cells.size() > 5) {
    std::int64_t size = 0;
    const auto [sizeEnd, sizeError] = std::from_chars(cells[5].data(), cells[5].data() + cells[5].size(), size);
    if (sizeError == std::errc() && sizeEnd == cells[5].data() + cells[5].size() && size > 0) row.size = size;
  }
  return row;
}

// Calls `each` for every line of `text` and where it starts, without the line's end.
template <class Each>
void forEachLine(std::string_view text, Each each) {
  for (std::size_t start = 0; start < text.size();) {
    const auto newline = text.find('\n', start);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    each(text.substr(start, end - start), start);
    start = end + 1;
  }
}

// The table's file, read once, with where each id's first row starts. Rows
// are read when asked for: a single program names one or two sounds, and a
// library of thousands only a few hundred different ones.
class TableFile {
 public:
  explicit TableFile(const std::filesystem::path& path)
      : text_(platform::readRegularFile(path.string(), kMaxTableBytes).value_or("")) {
    forEachLine(text_, [this](std::string_view line, std::size_t start) {
      if (const auto id = idOf(line)) rows_.push_back({*id, static_cast<std::uint32_t>(start)});
    });
    // By id; of an id's rows, the first in the file answers.
    std::stable_sort(rows_.begin(), rows_.end(), [](const RowAt& a, const RowAt& b) { return a.id < b.id; });
  }

  std::optional<SoundRow> row(std::uint32_t id) const {
    const auto line = lineOf(id);
    if (line.empty()) return std::nullopt;
    return rowOf(line);
  }

  std::string name(std::uint32_t id) const {
    const auto line = lineOf(id);
    if (line.empty()) return {};
    const auto nameStart = line.find('\t', 9) + 1;  // idOf found the tab
    return std::string(line.substr(nameStart, line.find('\t', nameStart) - nameStart));
  }

  // The rows by each name they answer to, built only when a sound is looked up by name.
  const std::unordered_multimap<std::string, std::uint32_t>& names() {
    std::call_once(named_, [this] {
      for (std::size_t i = 0; i < rows_.size(); ++i)
        if (i == 0 || rows_[i].id != rows_[i - 1].id) indexNames(names_, rows_[i].id, *row(rows_[i].id));
    });
    return names_;
  }

 private:
  struct RowAt {
    std::uint32_t id;
    std::uint32_t start;  // of its line in the text
  };

  std::string_view lineOf(std::uint32_t id) const {
    const auto found = std::lower_bound(rows_.begin(), rows_.end(), id, [](const RowAt& row, std::uint32_t wanted) {
      return row.id < wanted;
    });
    if (found == rows_.end() || found->id != id) return {};
    const std::string_view rest = std::string_view(text_).substr(found->start);
    std::string_view line = rest.substr(0, rest.find('\n'));
    if (line.ends_with('\r')) line.remove_suffix(1);
    return line;
  }

  const std::string text_;  // the size limit keeps every start within 32 bits
  std::vector<RowAt> rows_;
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

std::function<std::string(std::uint32_t)> soundNamer(const std::filesystem::path& table) {
  if (table.empty()) return [](std::uint32_t) { return std::string(); };
  const TableFile* file = &tableAt(table);
  return [file](std::uint32_t id) {
    if (id == 0) return std::string();
    return file->name(id);
  };
}

std::optional<std::uint32_t> soundIdOf(const std::filesystem::path& table, std::string_view kind,
                                       std::string_view name, std::string_view version) {
  if (table.empty() || name.empty()) return std::nullopt;
  TableFile& file = tableAt(table);
  std::optional<std::uint32_t> match;
  const auto [from, to] = file.names().equal_range(std::string(name));
  for (auto it = from; it != to; ++it) {
    const SoundRow row = *file.row(it->second);
    if ((!row.kind.empty() && row.kind != kind) || (!version.empty() && row.version != version)) continue;
    if (match && *match != it->second) return std::nullopt;  // two sounds answer to it: neither is sure
    match = it->second;
  }
  return match;
}

}  // namespace velmorin
