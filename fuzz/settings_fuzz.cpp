// Any bytes as the settings file another version (or anyone) left: reading
// gives settings or the defaults with a notice, never a crash; a save then
// writes a file the next read takes whole, with the other settings kept.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "commands/dispatcher.h"
#include "vocabulary/json_text.h"

namespace {

const velmorin::Values& fuzzValues() {
  static const velmorin::Values values = [] {
    char pattern[] = "/tmp/velmorin-settings-fuzz-XXXXXX";
    const std::filesystem::path home = mkdtemp(pattern);
    static const std::filesystem::path cleanup = home;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(cleanup, ignored);
    });
    velmorin::Values made = velmorin::valuesForHome(home);
    std::filesystem::create_directories(made.settingsFile.parent_path());
    return made;
  }();
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using velmorin::Json;
  const velmorin::Values& values = fuzzValues();
  std::ofstream(values.settingsFile, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  velmorin::Reply read = velmorin::work(values, "settings", Json::object());
  if (!read.is_object() || read.value("ok", false) != true || !read["settings"].is_object()) __builtin_trap();
  if (Json::parse(velmorin::compactJson(read), nullptr, false).is_discarded()) __builtin_trap();

  const velmorin::Reply saved = velmorin::work(values, "saveSettings", {{"dest", "/fuzz"}});
  if (saved.value("ok", false) != true) return 0;  // too large to keep: refused, nothing written
  velmorin::Reply again = velmorin::work(values, "settings", Json::object());
  if (again.contains("notice") || again["settings"]["dest"] != "/fuzz") __builtin_trap();
  Json expected = read.contains("notice") ? Json::object() : read["settings"];
  expected["dest"] = "/fuzz";
  if (again["settings"] != expected) __builtin_trap();
  return 0;
}
