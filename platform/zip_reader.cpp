#include "platform/zip_reader.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/folder.h"

namespace velmorin::platform {

namespace {

Status unreadable(const std::filesystem::path& archive) {
  return Status::failure(Problem::Failed, "Could not read the archive " + inQuotes(archive) + ": it is damaged",
                         "No se pudo leer el archivo ZIP " + inQuotes(archive) + ": está dañado");
}

long double dateMs(const tm_unz& date) {
  std::tm local{};
  local.tm_year = static_cast<int>(date.tm_year) - 1900;
  local.tm_mon = static_cast<int>(date.tm_mon);
  local.tm_mday = static_cast<int>(date.tm_mday);
  local.tm_hour = static_cast<int>(date.tm_hour);
  local.tm_min = static_cast<int>(date.tm_min);
  local.tm_sec = static_cast<int>(date.tm_sec);
  local.tm_isdst = -1;
  return static_cast<long double>(std::mktime(&local)) * 1000.0L;
}

struct Closer {
  void operator()(void* file) const { unzClose(file); }
};

}  // namespace

bool looksLikeZip(const std::filesystem::path& path) {
  const auto start = readRegularFile(path.string(), 4);
  return start && (*start == std::string("PK\x03\x04", 4) || *start == std::string("PK\x05\x06", 4));
}

Status forEachZipEntry(const std::filesystem::path& archive,
                       const std::function<bool(const ZipEntry& entry, const ZipRead& read)>& visit) {
  const std::unique_ptr<void, Closer> zip(unzOpen64(archive.c_str()));
  if (!zip) return unreadable(archive);
  for (int at = unzGoToFirstFile(zip.get()); at == UNZ_OK; at = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    char name[4096];
    if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
      return unreadable(archive);
    ZipEntry entry{name, info.uncompressed_size, dateMs(info.tmu_date)};
    if (entry.name.empty() || entry.name.back() == '/') continue;
    const ZipRead read = [&](std::size_t limit) -> StatusOr<std::string> {
      if (unzOpenCurrentFile(zip.get()) != UNZ_OK) return unreadable(archive);
      std::string bytes;
      char buffer[64 * 1024];
      int got = 0;
      while (bytes.size() < limit && (got = unzReadCurrentFile(zip.get(), buffer, sizeof buffer)) > 0)
        bytes.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(got), limit - bytes.size()));
      // The CRC is checked only once the entry is read to its end.
      const int closed = unzCloseCurrentFile(zip.get());
      if (got < 0 || (bytes.size() < limit && closed != UNZ_OK)) return unreadable(archive);
      return bytes;
    };
    if (!visit(entry, read)) break;
  }
  return Status();
}

}  // namespace velmorin::platform
