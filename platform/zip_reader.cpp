#include "platform/zip_reader.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <memory>

#include "platform/folder.h"

namespace velmorin::platform {

namespace {

Status unreadable(const std::filesystem::path& archive) {
  return Status::failure(Problem::Failed, "Could not read the archive " + inQuotes(archive) + ": it is damaged",
                         "No se pudo leer el archivo ZIP " + inQuotes(archive) + ": está dañado");
}

// The entry's local date and time as ms since 1970. Not mktime: it re-reads
// the time zone at every call, freeing and copying its name, which races
// between threads as far as the thread sanitizer can tell. The date taken as
// UTC, less the local offset at that moment.
long double dateMs(const tm_unz& date) {
  std::tm fields{};
  fields.tm_year = static_cast<int>(date.tm_year) - 1900;
  fields.tm_mon = static_cast<int>(date.tm_mon);
  fields.tm_mday = static_cast<int>(date.tm_mday);
  fields.tm_hour = static_cast<int>(date.tm_hour);
  fields.tm_min = static_cast<int>(date.tm_min);
  fields.tm_sec = static_cast<int>(date.tm_sec);
  const std::time_t asUtc = timegm(&fields);
  std::tm local{};
  const long offset = localtime_r(&asUtc, &local) ? local.tm_gmtoff : 0;
  return static_cast<long double>(asUtc - offset) * 1000.0L;
}

bool isEmptyArchive(const std::filesystem::path& archive) {
  const auto bytes = readRegularFile(archive.string(), 23);
  return bytes && bytes->size() == 22 && bytes->starts_with(std::string("PK\x05\x06", 4)) &&
         bytes->substr(8, 4) == std::string(4, '\0');
}

struct Closer {
  void operator()(void* file) const { unzClose(file); }
};

}  // namespace

bool looksLikeZip(const std::filesystem::path& path) {
  const auto start = readRegularFile(path.string(), 4);
  return start && (*start == std::string("PK\x03\x04", 4) || *start == std::string("PK\x05\x06", 4));
}

StatusOr<std::uint64_t> ZipEntryReader::stream(std::size_t limit, std::string* keep) const {
  if (unzOpenCurrentFile(zip_) != UNZ_OK) return unreadable(archive_);
  std::uint64_t total = 0;
  char buffer[64 * 1024];
  int got = 0;
  while (total < limit && (got = unzReadCurrentFile(zip_, buffer, sizeof buffer)) > 0) {
    const std::size_t take = std::min<std::uint64_t>(static_cast<std::size_t>(got), limit - total);
    if (keep) keep->append(buffer, take);
    total += take;
  }
  // The CRC is checked only once the entry is read to its end.
  const int closed = unzCloseCurrentFile(zip_);
  if (got < 0 || (total < limit && closed != UNZ_OK)) return unreadable(archive_);
  return total;
}

StatusOr<std::string> ZipEntryReader::read(std::size_t limit) const {
  std::string bytes;
  TRY(stream(limit, &bytes).status());
  return bytes;
}

StatusOr<std::uint64_t> ZipEntryReader::drain() const {
  return stream(std::numeric_limits<std::size_t>::max(), nullptr);
}

Status forEachZipEntry(const std::filesystem::path& archive,
                       const std::function<bool(const ZipEntry& entry, const ZipEntryReader& data)>& visit) {
  const std::unique_ptr<void, Closer> zip(unzOpen64(archive.c_str()));
  // minizip refuses an archive of nothing but its end record: that one is empty, not damaged.
  if (!zip) return isEmptyArchive(archive) ? Status() : unreadable(archive);
  const ZipEntryReader reader(zip.get(), archive);
  int at = unzGoToFirstFile(zip.get());
  for (; at == UNZ_OK; at = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    char name[4096];
    if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
      return unreadable(archive);
    const ZipEntry entry{name, info.uncompressed_size, dateMs(info.tmu_date)};
    if (entry.name.empty() || entry.name.back() == '/') continue;
    if (!visit(entry, reader)) return Status();
  }
  // The end of the directory is the one good way out.
  if (at != UNZ_END_OF_LIST_OF_FILE) return unreadable(archive);
  return Status();
}

}  // namespace velmorin::platform
