#pragma once
#include <string_view>

namespace velmorin {

// Compares names as people number them: runs of digits by their value, every
// other byte by its code, case-sensitive. Negative, zero or positive.
int compareNumeric(std::string_view a, std::string_view b);

}  // namespace velmorin
