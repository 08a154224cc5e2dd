#pragma once
// The names of the maker's pianos and samples, which programs name only by a
// 32-bit id. The table is read once per process, when a name is first needed.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmorin {

// The name of `id` (Stage 3 form) in the tab-separated table `table` (columns
// hash, ext, name, ...); "" when the table or the id is not there.
std::string soundName(const std::filesystem::path& table, std::uint32_t id);

// The same for many ids: the table is found once, not once per name.
std::function<std::string(std::uint32_t id)> soundNamer(const std::filesystem::path& table);

// One row of the table: what the maker calls the sound and how big its file is.
struct SoundRow {
  std::string kind;     // "piano", "sample", or "" when the table does not say
  std::string name;
  std::string version;  // "5.3"
  std::int64_t size = 0;  // bytes of its file; 0 when not known
};

// The row of `id`; nothing when the table or the id is not there (0 never is).
std::optional<SoundRow> soundRow(const std::filesystem::path& table, std::uint32_t id);

// The id of the sound of kind `kind` called `name` at `version` (any version
// when it is ""): a row whose name, or one of its comma-separated names, is
// `name` with or without the version after it. Nothing when none or several match.
std::optional<std::uint32_t> soundIdOf(const std::filesystem::path& table, std::string_view kind,
                                       std::string_view name, std::string_view version);

}  // namespace velmorin
