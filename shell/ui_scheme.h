#pragma once
// The "velmorin" scheme: the page's folder served to the web view, and nothing else.
#include <webkit2/webkit2.h>

#include <filesystem>
#include <optional>

namespace velmorin::shell {

// What the page may load: its own scripts, styles, images and fonts, nothing remote.
inline constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; font-src 'self'; "
    "connect-src 'none'; frame-src 'none'";

// Registers the scheme on `context` (before any web view of it loads). Requests
// are answered from `uiFolder`; with no folder every request fails.
void registerUiScheme(WebKitWebContext* context, std::optional<std::filesystem::path> uiFolder);

}  // namespace velmorin::shell
