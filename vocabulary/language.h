#pragma once
// The interface language: Spanish when the first preferred language is Spanish.
#include <string>
#include <vector>

#include "vocabulary/values.h"

namespace velmorin {

// True when the first tag begins with "es" (case-sensitive); an empty list means "en".
bool spanish(const std::vector<std::string>& preferredTags);

// Asks `values` for the preferred languages afresh.
bool spanish(const Values& values);

}  // namespace velmorin
