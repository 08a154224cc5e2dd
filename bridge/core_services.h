#pragma once
// The router's services as the core provides them.
#include "vocabulary/values.h"
#include "bridge/router.h"

namespace velmorin::bridge {

// `values` must outlive the services (the process's values do).
RouterServices coreServices(const Values& values);

}  // namespace velmorin::bridge
