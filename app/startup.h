#pragma once
#include "vocabulary/values.h"
#include "platform/environment.h"

namespace velmorin {

// The process-wide values as the user's environment defines them.
Values valuesFromEnvironment(const platform::EnvLookup& env);

}  // namespace velmorin
