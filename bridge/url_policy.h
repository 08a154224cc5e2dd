#pragma once
// Which links the application hands to the user's default handlers.
#include <string>

namespace velmorin::bridge {

// True for http://host…, https://host… and mailto:… (scheme in any letter case).
// Every other scheme (file:, javascript:, smb:, custom handlers) could run or
// expose something local, and text with spaces or control characters is not a
// URL, so those are never opened. Nor are links that could mislead or reach
// into the machine through an allowed scheme: a user name or password before
// the host, a mail link asking to attach a file, or control and
// text-direction characters, written out or percent-encoded.
bool openableExternally(const std::string& url);

// The scheme in lower case ("" when the text has none).
std::string urlScheme(const std::string& url);

}  // namespace velmorin::bridge
