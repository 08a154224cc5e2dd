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

Status Status::fromErrno(int code) { return Status(Problem::Failed, errnoText(code), errnoTextSpanish(code), code); }

Status Status::cancelled() {
  return Status(Problem::Cancelled, "Cancelled. Nothing was changed.", "Cancelado. No se ha cambiado nada.", 0);
}

std::string reasonText(const Status& cause, bool spanish) {
  if (cause.code() != 0) return spanish ? errnoTextSpanish(cause.code()) : errnoText(cause.code());
  return cause.error(spanish);
}

Status failureFor(const std::string& action, const std::filesystem::path& path, int err) {
  return Status::failure(problemOfErrno(err), "Could not " + action + " " + inQuotes(path) + ": " + errnoText(err),
                         "No se pudo " + actionSpanish(action) + " " + inQuotes(path) + ": " + errnoTextSpanish(err),
                         err);
}

Status failureFor(const std::string& action, const std::filesystem::path& path, const Status& cause) {
  if (cause.problem() == Problem::Cancelled) return cause;
  return Status::failure(cause.problem(), "Could not " + action + " " + inQuotes(path) + ": " + reasonText(cause, false),
                         "No se pudo " + actionSpanish(action) + " " + inQuotes(path) + ": " + reasonText(cause, true),
                         cause.code());
}

}  // namespace velmorin
