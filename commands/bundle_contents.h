#pragma once
// What one of the maker's program bundles (.ns3fb, .ns2pb) holds: its
// description (meta.xml) and the pianos and samples packed with it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "commands/bundle_meta.h"
#include "commands/sound_file.h"

namespace velmorin {

// Whether a file with this extension (lower case) is such a bundle.
bool isBundleExtension(std::string_view extension);

struct HeldSound {
  std::string kind;  // "piano" or "sample"
  SoundFileHeader header;
  std::uint64_t size = 0;
};

struct BundleContents {
  bool opened = false;    // it could be opened as a ZIP archive
  bool damaged = false;   // it could not be read to its end
  bool hasMeta = false;   // it holds a meta.xml
  BundleMeta meta;        // meaningful when hasMeta
  std::map<std::string, HeldSound> sounds;  // by entry name
};

// The bundle at `path`, read as the library reads backups.
BundleContents readBundle(const std::string& path);

// The description of the file named `entry` in the bundle, if it has one.
const BundleFile* describedFile(const BundleContents& bundle, std::string_view entry);

// The piano or sample at `entry` in the bundle; its `sounds.end()` when it holds none.
std::map<std::string, HeldSound>::const_iterator heldSound(const BundleContents& bundle, std::string_view entry);

}  // namespace velmorin
