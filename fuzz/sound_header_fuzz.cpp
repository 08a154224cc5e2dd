// Any bytes as a bundle's meta.xml and as the header of a piano and a sample
// file: a description or a fault, names within their fields and valid UTF-8,
// never a crash.
#include <cstdint>
#include <string>
#include <string_view>

#include "commands/bundle_meta.h"
#include "commands/sound_file.h"
#include "vocabulary/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const velmorin::BundleMeta meta = velmorin::readBundleMeta(text);
  if (meta.fault != velmorin::BundleMetaFault::None && !meta.files.empty()) __builtin_trap();
  for (const auto& file : meta.files) {
    if (file.name.empty() || !velmorin::isValidUtf8(file.name)) __builtin_trap();
    for (const auto& dep : file.deps)
      if (dep.empty() || !velmorin::isValidUtf8(dep)) __builtin_trap();
  }
  // A header that starts as one, so that the names, not only the checks, are reached.
  std::string bytes(text);
  if (bytes.size() >= 8) bytes.replace(0, 4, "CBIN");
  for (const std::string_view kind : {"piano", "sample"}) {
    const velmorin::SoundFileHeader header = velmorin::readSoundHeader(kind, bytes);
    if (header.name.size() > velmorin::kSoundHeaderBytes || !velmorin::isValidUtf8(header.name)) __builtin_trap();
    if (header.name.find('\0') != std::string::npos) __builtin_trap();
  }
  return 0;
}
