#pragma once
// Whether bytes are well-formed UTF-8: file names on Linux are bytes, and
// neither JSON replies nor ZIP's UTF-8 flag may claim text that is not.
#include <string_view>

namespace velmorin::platform {

bool isValidUtf8(std::string_view text);

}  // namespace velmorin::platform
