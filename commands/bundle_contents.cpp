#include "commands/bundle_contents.h"

#include <filesystem>

#include "commands/backup_check.h"
#include "commands/backup_file.h"
#include "vocabulary/text.h"
#include "platform/zip_entries.h"

namespace velmorin {

namespace {

// Entry names as meta.xml writes them may start with "/" or "./".
std::string_view plainName(std::string_view name) {
  while (name.starts_with('/') || name.starts_with("./")) name.remove_prefix(name.starts_with('/') ? 1 : 2);
  return name;
}

}  // namespace

bool isBundleExtension(std::string_view extension) { return extension == "ns3fb" || extension == "ns2pb"; }

BundleContents readBundle(const std::string& path) {
  BundleContents bundle;
  const auto opened = openBackup(path);
  if (!opened || !*opened) return bundle;
  bundle.opened = true;
  std::string bytes;
  const platform::ZipFault fault = forEachBackupEntry(
      **opened,
      [&](const platform::ZipEntry& entry, const platform::ZipEntryReader& data) {
        if (lowerAscii(plainName(entry.name)) == "meta.xml" && !bundle.hasMeta) {
          // One byte past the limit tells a description that is too large.
          const auto problem = data.read(kMaxBundleMetaBytes + 1, bytes);
          bundle.hasMeta = true;
          if (problem == platform::EntryProblem::OverLimit) return false;
          if (problem != platform::EntryProblem::None && bytes.size() <= kMaxBundleMetaBytes)
            bundle.meta.fault = BundleMetaFault::NotXml;
          else
            bundle.meta = readBundleMeta(bytes);
          return true;
        }
        const std::string kind(soundKindOf(lowerExtension(entry.name.substr(entry.name.rfind('/') + 1))));
        if (kind.empty() || !isValidUtf8(entry.name)) return true;
        if (data.read(kSoundHeaderBytes, bytes) == platform::EntryProblem::OverLimit) return false;
        bundle.sounds[std::string(plainName(entry.name))] = HeldSound{kind, readSoundHeader(kind, bytes), entry.size};
        return true;
      });
  bundle.damaged = fault != platform::ZipFault::None;
  return bundle;
}

const BundleFile* describedFile(const BundleContents& bundle, std::string_view entry) {
  if (!bundle.hasMeta || bundle.meta.fault != BundleMetaFault::None) return nullptr;
  for (const BundleFile& file : bundle.meta.files)
    if (plainName(file.name) == plainName(entry)) return &file;
  return nullptr;
}

std::map<std::string, HeldSound>::const_iterator heldSound(const BundleContents& bundle, std::string_view entry) {
  return bundle.sounds.find(std::string(plainName(entry)));
}

}  // namespace velmorin
