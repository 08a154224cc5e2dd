#pragma once
// Small text helpers shared by the commands.
#include <string>
#include <string_view>

namespace velmorin {

bool isValidUtf8(std::string_view text);

// ASCII lower case; other bytes unchanged.
std::string lowerAscii(std::string_view text);

// The text after the last "." of a file name, lower-cased; "" when there is none.
std::string lowerExtension(std::string_view name);

}  // namespace velmorin
