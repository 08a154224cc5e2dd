#pragma once
// The names of the maker's pianos and samples, which programs name only by a
// 32-bit id. The table is read once per process, when a name is first needed.
#include <cstdint>
#include <filesystem>
#include <string>

namespace velmorin {

// The name of `id` (Stage 3 form) in the tab-separated table `table` (columns
// hash, ext, name, ...); "" when the table or the id is not there.
std::string soundName(const std::filesystem::path& table, std::uint32_t id);

}  // namespace velmorin
