#pragma once
// Which links the application hands to the user's default handlers.
#include <string>

namespace velmorin::bridge {

// True for http://host…, https://host… and mailto:… (scheme in any letter case).
// Every other scheme (file:, javascript:, smb:, custom handlers) could run or
// expose something local, and text with spaces or control characters is not a
// URL, so those are never opened.
bool openableExternally(const std::string& url);

// The scheme in lower case ("" when the text has none).
std::string urlScheme(const std::string& url);

}  // namespace velmorin::bridge
