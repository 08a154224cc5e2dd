#pragma once
// Small text helpers every layer uses: none depends on the locale.
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace velmorin {

using platform::isValidUtf8;

// ASCII lower case; other bytes unchanged.
char lowerAscii(char c);
std::string lowerAscii(std::string_view text);

// The text after the last "." of a file name, lower-cased; "" when there is none.
std::string lowerExtension(std::string_view name);

// Today in the local calendar as "yyyy-MM-dd", as dated file names carry it.
std::string todayText();

// A path in double quotes, as the texts shown to the user name files.
std::string inQuotes(const std::filesystem::path& path);

}  // namespace velmorin
