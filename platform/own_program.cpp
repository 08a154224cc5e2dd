#include "platform/own_program.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace velmorin::platform {

std::filesystem::path ownProgram() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
}

Status runInstead(const std::filesystem::path& program, char** argv) {
  execv(program.c_str(), argv);
  return failureFor(Action::Start, program, errno);
}

}  // namespace velmorin::platform
