#include "platform/zip_directory.h"
#include "platform/whole_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>

namespace velmorin::platform {

namespace {

constexpr std::size_t kEndRecord = 22;           // without its comment
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::size_t kZip64Locator = 20;
constexpr std::size_t kZip64EndRecord = 56;      // without its extensible data
constexpr std::size_t kCentralHeader = 46;
constexpr std::uint64_t kLocalHeader = 30;
constexpr std::uint32_t kMarked32 = 0xFFFFFFFF;  // "see the Zip64 field"
constexpr std::uint16_t kMarked16 = 0xFFFF;

std::uint64_t little(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i)
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

bool signatureAt(std::string_view bytes, std::size_t at, const char* signature) {
  return at + 4 <= bytes.size() && bytes.compare(at, 4, signature, 4) == 0;
}

// Where the directory is, once the end records are read.
struct Layout {
  std::uint64_t entries = 0;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;  // as recorded
  std::uint64_t end = 0;     // where it really ends: at the first end record
};

ZipFault damaged() { return ZipFault::Damaged; }

// The end record: the last signature whose comment reaches the file's end
// exactly, else the last one at all (some writers miscount the comment).
ZipFault findEnd(int fd, std::uint64_t fileSize, Layout& layout) {
  if (fileSize < kEndRecord) return damaged();
  const auto tailLength = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndRecord + kLongestComment));
  std::string tail(tailLength, '\0');
  const std::uint64_t tailStart = fileSize - tailLength;
  if (!readWholeAt(fd, tailStart, tail.data(), tail.size())) return damaged();
  std::size_t found = std::string_view::npos;
  for (std::size_t at = tailLength - kEndRecord + 1; at-- > 0;) {
    if (!signatureAt(tail, at, "PK\x05\x06")) continue;
    if (at + kEndRecord + little(tail, at + 20, 2) == tailLength) {
      found = at;
      break;
    }
    if (found == std::string_view::npos) found = at;
  }
  if (found == std::string_view::npos) return damaged();
  const std::string_view end = std::string_view(tail).substr(found, kEndRecord);
  const std::uint64_t endAt = tailStart + found;
  layout = {little(end, 10, 2), little(end, 12, 4), little(end, 16, 4), endAt};
  // One archive in one file: a split one cannot be read from here.
  const bool zip64 = layout.entries == kMarked16 || layout.size == kMarked32 || layout.offset == kMarked32;
  if (!zip64) {
    if (little(end, 4, 2) != 0 || little(end, 6, 2) != 0 || little(end, 8, 2) != layout.entries) return damaged();
    return ZipFault::None;
  }
  // Zip64: the locator just before the end record says where its record is.
  if (endAt < kZip64Locator + kZip64EndRecord) return damaged();
  std::string locator(kZip64Locator, '\0');
  if (!readWholeAt(fd, endAt - kZip64Locator, locator.data(), locator.size()) ||
      !signatureAt(locator, 0, "PK\x06\x07") || little(locator, 16, 4) > 1)
    return damaged();
  // Where the locator says, or right before it when something was put in
  // front of the archive.
  std::string record(kZip64EndRecord, '\0');
  std::uint64_t recordAt = little(locator, 8, 8);
  const std::uint64_t before = endAt - kZip64Locator - kZip64EndRecord;
  if (recordAt > before || !readWholeAt(fd, recordAt, record.data(), record.size()) ||
      !signatureAt(record, 0, "PK\x06\x06")) {
    recordAt = before;
    if (!readWholeAt(fd, recordAt, record.data(), record.size()) || !signatureAt(record, 0, "PK\x06\x06"))
      return damaged();
  }
  if (little(record, 16, 4) != 0 || little(record, 20, 4) != 0 || little(record, 24, 8) != little(record, 32, 8))
    return damaged();
  layout = {little(record, 32, 8), little(record, 40, 8), little(record, 48, 8), recordAt};
  return ZipFault::None;
}

// The Zip64 extra field's values, for the fields the header marked.
bool readZip64Extra(std::string_view extra, ZipDirectoryEntry& entry, bool sizeMarked, bool packedMarked,
                    bool headerMarked) {
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const auto id = little(extra, at, 2);
    const auto length = static_cast<std::size_t>(little(extra, at + 2, 2));
    if (at + 4 + length > extra.size()) return false;
    if (id == 0x0001) {
      const std::string_view field = extra.substr(at + 4, length);
      std::size_t next = 0;
      for (auto [marked, value] : {std::pair{sizeMarked, &entry.size}, std::pair{packedMarked, &entry.packed},
                                   std::pair{headerMarked, &entry.header}}) {
        if (!marked) continue;
        if (next + 8 > field.size()) return false;
        *value = little(field, next, 8);
        next += 8;
      }
      return true;
    }
    at += 4 + length;
  }
  return !sizeMarked && !packedMarked && !headerMarked;
}

ZipFault readEntries(std::string_view directory, std::uint64_t count, std::uint64_t shift,
                     std::vector<ZipDirectoryEntry>& entries) {
  entries.reserve(static_cast<std::size_t>(count));
  std::size_t at = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (at + kCentralHeader > directory.size() || !signatureAt(directory, at, "PK\x01\x02")) return damaged();
    const auto nameLength = static_cast<std::size_t>(little(directory, at + 28, 2));
    const auto extraLength = static_cast<std::size_t>(little(directory, at + 30, 2));
    const auto commentLength = static_cast<std::size_t>(little(directory, at + 32, 2));
    const std::size_t next = at + kCentralHeader + nameLength + extraLength + commentLength;
    if (next > directory.size()) return damaged();
    ZipDirectoryEntry entry;
    entry.flags = static_cast<std::uint16_t>(little(directory, at + 8, 2));
    entry.method = static_cast<std::uint16_t>(little(directory, at + 10, 2));
    entry.time = static_cast<std::uint16_t>(little(directory, at + 12, 2));
    entry.date = static_cast<std::uint16_t>(little(directory, at + 14, 2));
    entry.crc = static_cast<std::uint32_t>(little(directory, at + 16, 4));
    entry.packed = little(directory, at + 20, 4);
    entry.size = little(directory, at + 24, 4);
    entry.header = little(directory, at + 42, 4);
    entry.name.assign(directory.substr(at + kCentralHeader, nameLength));
    const std::string_view extra = directory.substr(at + kCentralHeader + nameLength, extraLength);
    if (!readZip64Extra(extra, entry, entry.size == kMarked32, entry.packed == kMarked32, entry.header == kMarked32))
      return damaged();
    if (entry.header > std::numeric_limits<std::uint64_t>::max() - shift) return damaged();
    entry.header += shift;
    entries.push_back(std::move(entry));
    at = next;
  }
  return ZipFault::None;
}

// Each entry's data must end before the next local header: entries that
// share or overlap data would unpack the same bytes again and again.
ZipFault placeEntries(std::vector<ZipDirectoryEntry>& entries, std::uint64_t directoryStart) {
  std::vector<ZipDirectoryEntry*> byPlace;
  byPlace.reserve(entries.size());
  for (ZipDirectoryEntry& entry : entries) byPlace.push_back(&entry);
  std::sort(byPlace.begin(), byPlace.end(),
            [](const ZipDirectoryEntry* a, const ZipDirectoryEntry* b) { return a->header < b->header; });
  for (std::size_t i = 0; i < byPlace.size(); ++i) {
    ZipDirectoryEntry& entry = *byPlace[i];
    const bool last = i + 1 == byPlace.size();
    entry.end = last ? directoryStart : byPlace[i + 1]->header;
    if (entry.header >= entry.end) return last ? damaged() : ZipFault::OverLimit;
    // The least an entry takes: its local header and its data.
    const std::uint64_t room = entry.end - entry.header;
    if (room < kLocalHeader || entry.packed > room - kLocalHeader) {
      if (!last) return ZipFault::OverLimit;
      // The last runs into the directory: its own damage, found when it is read.
    }
  }
  return ZipFault::None;
}

}  // namespace

bool readWholeAt(int fd, std::uint64_t offset, void* into, std::size_t length) {
  return platform::readExactly(fd, into, length, platform::At::offset(offset));
}

ZipDirectory readZipDirectory(int fd, std::uint64_t fileSize, const ZipLimits& limits) {
  ZipDirectory result;
  Layout layout;
  if ((result.fault = findEnd(fd, fileSize, layout)) != ZipFault::None) return result;
  if (layout.entries > limits.entries || layout.size > limits.directoryBytes) {
    result.fault = ZipFault::OverLimit;
    return result;
  }
  // Every entry takes at least its header: a count beyond that is a lie.
  if (layout.entries > layout.size / kCentralHeader || layout.size > layout.end ||
      layout.offset > layout.end - layout.size) {
    result.fault = ZipFault::Damaged;
    return result;
  }
  // Bytes put in front of the archive move everything by as much.
  const std::uint64_t directoryStart = layout.end - layout.size;
  const std::uint64_t shift = directoryStart - layout.offset;
  std::string directory(static_cast<std::size_t>(layout.size), '\0');
  if (!readWholeAt(fd, directoryStart, directory.data(), directory.size())) {
    result.fault = ZipFault::Damaged;
    return result;
  }
  if ((result.fault = readEntries(directory, layout.entries, shift, result.entries)) == ZipFault::None)
    result.fault = placeEntries(result.entries, directoryStart);
  if (result.fault != ZipFault::None) result.entries.clear();
  return result;
}

}  // namespace velmorin::platform
