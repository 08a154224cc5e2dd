#pragma once
// Commands run in a test process move what they replace to the Trash of the
// user that GIO sees. Each such test program gets a home and data folder of
// its own (set before GIO first reads them), so nothing lands in the real
// user's Trash and tests can look at what did.
#include <filesystem>
#include <map>
#include <string>

namespace velmorin::testing {

// This process's Trash folder ($XDG_DATA_HOME/Trash).
std::filesystem::path privateTrash();

// What a Trash folder holds: the name in its files/ folder and the original
// path its .trashinfo records, for every item.
std::map<std::string, std::string> trashedItems(const std::filesystem::path& trash = privateTrash());

}  // namespace velmorin::testing
