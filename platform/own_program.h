#pragma once
// This process's own program file, and handing the process over to another.
#include <filesystem>

#include "platform/status.h"

namespace velmorin::platform {

// The program file this process runs (links resolved); empty when the
// system will not say.
std::filesystem::path ownProgram();

// Runs `program` in this process's place with the same arguments and
// environment; returns only when it could not be started.
Status runInstead(const std::filesystem::path& program, char** argv);

}  // namespace velmorin::platform
