#include <system_error>

#include "vocabulary/language.h"
#include "commands/commands.h"
#include "commands/nsm.h"
#include "platform/disk_space.h"
#include "platform/file_checks.h"
#include "platform/paths.h"
#include "commands/failure_reply.h"
#include "vocabulary/text.h"
#include "vocabulary/failure_words.h"

namespace velmorin {

namespace {
// This build runs on Linux only; the page tells the systems apart by this name.
constexpr const char* kPlatformName = "linux";
}  // namespace

Reply info(const Values& values) {
  const auto nsm = findNSM(values);
  const bool icloudFound = platform::isFolder(values.ICLOUD);
  const auto dest = icloudFound ? values.ICLOUD / "Velmorin" : values.DESKTOP / "Velmorin";
  const char* destLabel = icloudFound           ? "iCloud Drive \u203a Velmorin"
                          : spanish(values) ? "Escritorio \u203a Velmorin"
                                                : "Desktop \u203a Velmorin";
  return {
      {"os", kPlatformName},
      {"nsm", {{"found", nsm.has_value()}, {"name", nsm ? nsm->name : std::string()}}},
      {"icloud", {{"found", icloudFound}, {"path", icloudFound ? values.ICLOUD.string() : std::string()}}},
      // A figure that cannot be had is 0, as the page expects.
      {"diskFree", static_cast<std::int64_t>(platform::freeBytes(values.HOME).value_or(0))},
      {"exportDir", values.EXPORT_DIR.string()},
      {"dest", dest.string()},
      {"destLabel", destLabel},
      {"destCloud", icloudFound},
  };
}

Reply freeSpace(const Values& values, const Json& args) {
  const bool es = spanish(values);
  const auto path = textMember(args, "path");
  if (!path || path->empty() || path->find('\0') != std::string::npos)
    return failureReply(Status::said(Problem::Invalid, FailureText::NoFolderToMeasure),
                        es);
  // A destination is often made by the install: its nearest existing folder is on the same disk.
  fs::path place = platform::absolutePath(*path);
  while (platform::kindOf(place) == platform::EntryKind::Missing && place.has_relative_path()) place = place.parent_path();
  const auto free = platform::freeBytes(place);
  if (!free) return failureReply(free.status(), es);
  return {{"ok", true}, {"path", place.string()}, {"diskFree", static_cast<std::int64_t>(*free)}};
}

Reply prepare(const Values& values) {
  // The page learns nothing either way: an existing or unwritable folder is no error here.
  std::error_code ignored;
  std::filesystem::create_directories(values.EXPORT_DIR, ignored);
  return {{"ok", true}};
}

}  // namespace velmorin
