#pragma once
// Paths as the kernel reads them. ".." is never tidied away as text: after a
// link, "link/../p" is the folder beside the link's target, not "p".
#include <filesystem>
#include <optional>
#include <string>

namespace velmorin::platform {

namespace fs = std::filesystem;

// `path` made absolute from the current folder, with repeated "/" and "."
// components dropped and no trailing "/"; ".." is kept as it is.
std::string absolutePath(const std::string& path);

// Where `path` really is: every link resolved, "." and ".." applied as the
// kernel applies them. A path whose end does not exist yet is resolved as far
// as it exists, with the rest appended (what creating it would make). Nothing
// when not even its start can be resolved.
std::optional<std::string> realLocation(const fs::path& path);

// Whether `inner` is `outer` or lies below it; both resolved by realLocation.
bool isSameOrInside(const std::string& inner, const std::string& outer);

// The file that the open descriptor `fd` names now, every link resolved.
std::optional<std::string> pathOfOpenFile(int fd);

}  // namespace velmorin::platform
