#pragma once
// Which file of the page's folder a "velmorin://ui/…" address names. No GUI here:
// the scheme handler asks, these answer.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmorin::shell {

inline constexpr std::string_view kUiScheme = "velmorin";
inline constexpr std::string_view kUiHost = "ui";
inline constexpr std::string_view kPageUri = "velmorin://ui/index.html";

// The relative path that `uri` names, percent-decoded: "velmorin://ui/css/a.css?x"
// gives "css/a.css", a folder gives its index.html. Nothing for another scheme
// or host, "." or ".." segments (also when encoded), NUL bytes or bad escapes.
std::optional<std::string> uiRelativePath(std::string_view uri);

// The regular file that `relative` names inside `root`, after following every
// link; nothing when it does not exist or leads outside `root`.
std::optional<std::filesystem::path> fileInside(const std::filesystem::path& root, const std::string& relative);

// The MIME type to serve a page file with, by extension. No parameters: WebKit
// compares the whole text, and the page declares its encoding itself.
std::string mimeTypeFor(const std::filesystem::path& file);

}  // namespace velmorin::shell
