#pragma once
// Small text helpers shared by the commands.
#include <string>
#include <string_view>

#include "platform/utf8.h"

namespace velmorin {

using platform::isValidUtf8;

// ASCII lower case; other bytes unchanged.
std::string lowerAscii(std::string_view text);

// The text after the last "." of a file name, lower-cased; "" when there is none.
std::string lowerExtension(std::string_view name);

}  // namespace velmorin
