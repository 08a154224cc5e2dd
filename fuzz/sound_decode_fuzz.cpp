// Any bytes, read as a program of each model whose layout is known: a sheet or
// a reason, never a crash; the sheet always names the same keys, and its
// summary is made of it in both languages.
#include <cstdint>
#include <span>
#include <string>

#include "commands/sound_summary.h"
#include "sound/decode.h"
#include "sound/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A header that reads as one, so that the layouts, not only the checks, are reached.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.size() >= 8) bytes.replace(0, 4, "CBIN");
  const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  const auto names = [](std::uint32_t id) { return id % 3 == 0 ? std::string("Some Piano") : std::string(); };
  for (const velmorin::sounds::Layout* layout : velmorin::sounds::allLayouts()) {
    const auto decoded = velmorin::sounds::decode(layout->extension, view, names);
    if (decoded.decoded() && decoded.sheet.empty()) __builtin_trap();
    const auto plays = velmorin::sounds::decodeWhatPlays(layout->extension, view, names);
    if (plays.decoded() != decoded.decoded()) __builtin_trap();
    for (const auto& field : plays.sheet)
      if (!velmorin::sounds::find(decoded.sheet, field.key) || *velmorin::sounds::find(decoded.sheet, field.key) != field.value)
        __builtin_trap();
    (void)velmorin::soundSummary(decoded.sheet, false);
    (void)velmorin::soundSummary(decoded.sheet, true);
  }
  return 0;
}
