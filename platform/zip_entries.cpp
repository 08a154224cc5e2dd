#include "platform/zip_entries.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <optional>
#include <string_view>

#include "platform/checksum.h"

namespace velmorin::platform {

namespace {

constexpr std::uint64_t kLocalHeader = 30;
constexpr std::size_t kStep = 64 * 1024;  // packed bytes read at a time

std::uint32_t little(const unsigned char* bytes, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  return value;
}

// The entry's DOS date and time, taken as local, in ms since 1970. Not
// mktime: it re-reads the time zone at every call, which races between
// threads. The date taken as UTC, less the local offset at that moment.
long double dateMs(std::uint16_t date, std::uint16_t time) {
  std::tm fields{};
  fields.tm_year = (date >> 9) + 80;
  fields.tm_mon = ((date >> 5) & 0x0F) - 1;
  fields.tm_mday = date & 0x1F;
  fields.tm_hour = time >> 11;
  fields.tm_min = (time >> 5) & 0x3F;
  fields.tm_sec = (time & 0x1F) * 2;
  const std::time_t asUtc = timegm(&fields);
  std::tm local{};
  const long offset = localtime_r(&asUtc, &local) ? local.tm_gmtoff : 0;
  return static_cast<long double>(asUtc - offset) * 1000.0L;
}

}  // namespace

struct ZipEntryReader::State {
  int fd = -1;
  const ZipDirectoryEntry* entry = nullptr;
  std::uint64_t allowance = 0;  // bytes that may still be unpacked
  bool overLimit = false;
  z_stream stream{};
  bool inflating = false;  // `stream` is set up
  std::string packed;

  ~State() {
    if (inflating) inflateEnd(&stream);
  }

  // Where the entry's data starts, after its local header; 0 when the header
  // is not there or does not agree with the directory.
  std::uint64_t dataStart() const {
    unsigned char local[kLocalHeader];
    if (entry->end - entry->header < kLocalHeader || !readWholeAt(fd, entry->header, local, sizeof local) ||
        little(local, 4) != 0x04034B50 || little(local + 8, 2) != entry->method)
      return 0;
    const std::uint64_t start = entry->header + kLocalHeader + little(local + 26, 2) + little(local + 28, 2);
    return start <= entry->end && entry->packed <= entry->end - start ? start : 0;
  }

  // Unpacks into `bytes` (already sized) as far as it goes; gives how many
  // bytes came out, or nothing when the data is not deflate.
  std::optional<std::size_t> inflateInto(std::uint64_t start, std::string& bytes) {
    if (!inflating) {
      if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
      inflating = true;
    } else if (inflateReset(&stream) != Z_OK) {
      return std::nullopt;
    }
    std::uint64_t in = 0;
    std::size_t out = 0;
    stream.avail_in = 0;
    while (out < bytes.size()) {
      if (stream.avail_in == 0) {
        if (in == entry->packed) break;  // the data ends here
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(kStep, entry->packed - in));
        packed.resize(take);
        if (!readWholeAt(fd, start + in, packed.data(), take)) return std::nullopt;
        in += take;
        stream.next_in = reinterpret_cast<Bytef*>(packed.data());
        stream.avail_in = static_cast<uInt>(take);
      }
      const std::size_t room = std::min<std::size_t>(bytes.size() - out, UINT_MAX);
      stream.next_out = reinterpret_cast<Bytef*>(bytes.data() + out);
      stream.avail_out = static_cast<uInt>(room);
      const uInt before = stream.avail_in;
      const int result = inflate(&stream, Z_NO_FLUSH);
      out += room - stream.avail_out;
      if (result == Z_STREAM_END) break;
      if (result != Z_OK && result != Z_BUF_ERROR) return std::nullopt;
      if (stream.avail_in == before && stream.avail_out == room) return std::nullopt;  // stuck
    }
    return out;
  }
};

EntryProblem ZipEntryReader::read(std::size_t limit, std::string& bytes) const {
  bytes.clear();
  const ZipDirectoryEntry& entry = *state_.entry;
  const std::uint64_t wanted = std::min<std::uint64_t>(limit, entry.size);
  const bool whole = wanted == entry.size;
  if ((entry.flags & 1) != 0 || (entry.method != 0 && entry.method != Z_DEFLATED)) return EntryProblem::Damaged;
  if (wanted > state_.allowance) {
    state_.overLimit = true;
    return EntryProblem::OverLimit;
  }
  state_.allowance -= wanted;
  const std::uint64_t start = state_.dataStart();
  if (start == 0) return EntryProblem::Damaged;

  if (entry.method == 0) {
    // Stored: the data is the entry, so its two lengths must agree.
    if (whole && entry.packed > entry.size) return EntryProblem::Damaged;
    bytes.resize(static_cast<std::size_t>(std::min(wanted, entry.packed)));
    if (!readWholeAt(state_.fd, start, bytes.data(), bytes.size())) return EntryProblem::Damaged;
  } else {
    // One byte more than the whole entry shows data beyond its recorded length.
    bytes.resize(static_cast<std::size_t>(wanted) + (whole ? 1 : 0));
    const auto made = state_.inflateInto(start, bytes);
    // A damaged entry gives no bytes: the caller never sees more than it asked for.
    if (!made || *made > wanted) {
      bytes.clear();
      return EntryProblem::Damaged;
    }
    bytes.resize(*made);
  }
  if (bytes.size() < wanted) return EntryProblem::Short;
  if (whole && crc32Of(bytes) != entry.crc) return EntryProblem::Crc;
  return EntryProblem::None;
}

bool startsLikeZip(int fd) {
  char start[4];
  if (!readWholeAt(fd, 0, start, sizeof start)) return false;
  const std::string_view signature(start, sizeof start);
  return signature == std::string_view("PK\x03\x04", 4) || signature == std::string_view("PK\x05\x06", 4);
}

ZipFault forEachZipEntry(int fd, std::uint64_t fileSize, const ZipLimits& limits,
                         const std::function<bool(const ZipEntry& entry, const ZipEntryReader& data)>& visit) {
  const ZipDirectory directory = readZipDirectory(fd, fileSize, limits);
  if (directory.fault != ZipFault::None) return directory.fault;
  ZipEntryReader::State state;
  state.fd = fd;
  state.allowance = limits.unpackedBytes;
  const ZipEntryReader reader(state);
  for (const ZipDirectoryEntry& entry : directory.entries) {
    if (entry.name.empty() || entry.name.back() == '/') continue;
    state.entry = &entry;
    if (!visit(ZipEntry{entry.name, entry.size, dateMs(entry.date, entry.time)}, reader)) break;
    if (state.overLimit) break;
  }
  return state.overLimit ? ZipFault::OverLimit : ZipFault::None;
}

}  // namespace velmorin::platform
