#include "platform/status.h"

#include <cstring>

namespace velmorin {

std::string errnoText(int err) {
  char buffer[256];
  // GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = strerror_r(err, buffer, sizeof buffer);
  return text ? std::string(text) : "error " + std::to_string(err);
}

std::string inQuotes(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

Status Status::fromErrno(int code) { return Status(errnoText(code), code); }

Status failureFor(const std::string& action, const std::filesystem::path& path, int err) {
  return Status::failure("Could not " + action + " " + inQuotes(path) + ": " + errnoText(err), err);
}

}  // namespace velmorin
