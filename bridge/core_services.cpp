#include "bridge/core_services.h"

#include <system_error>

#include "vocabulary/language.h"
#include "commands/dispatcher.h"

namespace velmorin::bridge {

RouterServices coreServices(const Values& values) {
  RouterServices services;
  services.work = [&values](const std::string& cmd, const Json& args, platform::WorkControl& control) {
    return workLong(values, cmd, args, &control);
  };
  services.findNsm = [&values] { return findNSM(values); };
  services.spanish = [&values] { return spanish(values); };
  services.icloud = [&values]() -> std::optional<std::filesystem::path> {
    // Anything at that path counts, a plain file too; a dangling link does not.
    std::error_code ec;
    if (!values.ICLOUD.empty() && std::filesystem::exists(values.ICLOUD, ec)) return values.ICLOUD;
    return std::nullopt;
  };
  return services;
}

}  // namespace velmorin::bridge
