#include "platform/zip_reader.h"
#include "platform/whole_io.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <minizip/unzip.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/folder.h"
#include "platform/unique_fd.h"

namespace velmorin::platform {

namespace {

Status unreadable(const std::filesystem::path& archive) {
  return failureFor(Action::ReadArchive, archive, Reason::Damaged, Problem::Failed);
}

bool isEmptyArchive(const std::filesystem::path& archive) {
  const auto bytes = readRegularFile(archive.string(), 23);
  return bytes && bytes->size() == 22 && bytes->starts_with(std::string("PK\x05\x06", 4)) &&
         bytes->substr(8, 4) == std::string(4, '\0');
}

struct Closer {
  void operator()(void* file) const { unzClose(file); }
};

// Where an entry's data is and what it must give.
struct StoredEntry {
  std::uint64_t offset = 0;  // of the compressed data
  std::uint64_t packed = 0;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool deflated = false;
};

// Entries up to this long are inflated at once with libdeflate (twice as fast
// as zlib); longer ones stream through zlib in 1 MiB steps, to keep memory low.
constexpr std::uint64_t kWholeEntryLimit = 4 << 20;
constexpr std::size_t kStep = 1 << 20;

bool readAt(int fd, std::uint64_t offset, unsigned char* into, std::size_t length) {
  return readExactly(fd, into, length, At::offset(offset));
}

// Checks one entry; `packed` and `plain` are the reader's buffers, reused.
bool entryReadsBack(int fd, const StoredEntry& entry, libdeflate_decompressor* inflater,
                    std::vector<unsigned char>& packed, std::vector<unsigned char>& plain) {
  if (!entry.deflated) {
    if (entry.packed != entry.size) return false;
    packed.resize(kStep);
    std::uint32_t crc = 0;
    for (std::uint64_t at = 0; at < entry.size;) {
      const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(kStep, entry.size - at));
      if (!readAt(fd, entry.offset + at, packed.data(), take)) return false;
      crc = libdeflate_crc32(crc, packed.data(), take);
      at += take;
    }
    return crc == entry.crc;
  }
  if (entry.size <= kWholeEntryLimit && entry.packed <= kWholeEntryLimit) {
    packed.resize(static_cast<std::size_t>(entry.packed));
    plain.resize(static_cast<std::size_t>(entry.size));
    if (!readAt(fd, entry.offset, packed.data(), packed.size())) return false;
    std::size_t used = 0;
    // Given no count of what came out, libdeflate fails unless it fills `plain` exactly.
    if (libdeflate_deflate_decompress_ex(inflater, packed.data(), packed.size(), plain.data(), plain.size(), &used,
                                         nullptr) != LIBDEFLATE_SUCCESS)
      return false;
    return used == packed.size() && libdeflate_crc32(0, plain.data(), plain.size()) == entry.crc;
  }
  // A long entry: zlib, a step at a time.
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  packed.resize(kStep);
  plain.resize(kStep);
  std::uint64_t in = 0, out = 0;
  std::uint32_t crc = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    if (stream.avail_in == 0 && in < entry.packed) {
      const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(kStep, entry.packed - in));
      if (!readAt(fd, entry.offset + in, packed.data(), take)) break;
      in += take;
      stream.next_in = packed.data();
      stream.avail_in = static_cast<uInt>(take);
    }
    stream.next_out = plain.data();
    stream.avail_out = static_cast<uInt>(kStep);
    result = inflate(&stream, Z_NO_FLUSH);
    const std::size_t made = kStep - stream.avail_out;
    crc = libdeflate_crc32(crc, plain.data(), made);
    out += made;
    if (result == Z_BUF_ERROR && stream.avail_in == 0 && in == entry.packed) break;  // cut short
    if (result == Z_BUF_ERROR) result = Z_OK;
  }
  const bool whole = result == Z_STREAM_END && stream.avail_in == 0 && in == entry.packed;
  inflateEnd(&stream);
  return whole && out == entry.size && crc == entry.crc;
}

}  // namespace

StatusOr<std::uint64_t> verifyZipEntries(const std::filesystem::path& archive, WorkControl* control) {
  const std::unique_ptr<void, Closer> zip(unzOpen64(archive.c_str()));
  if (!zip) return isEmptyArchive(archive) ? StatusOr<std::uint64_t>(std::uint64_t{0}) : unreadable(archive);
  const int fd = open(archive.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return unreadable(archive);
  const UniqueFd owned(fd);

  // The directory is read here, each local header checked by minizip as the
  // entry is opened raw; readers take the entries through a short queue.
  constexpr std::size_t kQueued = 512;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<StoredEntry> queue;
  bool listed = false, failed = false;
  std::uint64_t files = 0;
  const auto readEntries = [&] {
    libdeflate_decompressor* const inflater = libdeflate_alloc_decompressor();
    std::vector<unsigned char> packed, plain;
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return !queue.empty() || listed || failed; });
      if (failed || queue.empty()) break;
      const StoredEntry entry = queue.front();
      queue.pop_front();
      changed.notify_all();
      lock.unlock();
      const bool good = inflater && !isCancelled(control) && entryReadsBack(fd, entry, inflater, packed, plain);
      if (good) advance(control, 1, entry.size);
      lock.lock();
      if (!good) {
        failed = true;
        changed.notify_all();
      }
    }
    lock.unlock();
    if (inflater) libdeflate_free_decompressor(inflater);
  };
  // A reader that cannot go on (no memory for its buffers) fails the check, not the process.
  const auto reader = [&] {
    try {
      readEntries();
    } catch (...) {
      const std::lock_guard lock(mutex);
      failed = true;
      changed.notify_all();
    }
  };
  std::vector<std::thread> readers;
  const unsigned count = std::max(1u, std::thread::hardware_concurrency());
  try {
    for (unsigned i = 0; i < count; ++i) readers.emplace_back(reader);
  } catch (const std::system_error&) {
    // Fewer readers than wished: the ones there are do the work.
  }
  bool directory = true;
  int at = unzGoToFirstFile(zip.get());
  for (; at == UNZ_OK; at = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    // The name's length first: minizip leaves a name as long as its buffer unended.
    if (unzGetCurrentFileInfo64(zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
      directory = false;
      break;
    }
    std::string name(info.size_filename, '\0');
    if (unzGetCurrentFileInfo64(zip.get(), &info, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK) {
      directory = false;
      break;
    }
    if (name.empty() || name.back() == '/') continue;
    int method = 0, level = 0;
    // Raw: minizip checks the local header against the directory and inflates nothing.
    if ((info.flag & 1) != 0 || (info.compression_method != 0 && info.compression_method != Z_DEFLATED) ||
        unzOpenCurrentFile2(zip.get(), &method, &level, 1) != UNZ_OK) {
      directory = false;
      break;
    }
    const StoredEntry entry{unzGetCurrentFileZStreamPos64(zip.get()), info.compressed_size, info.uncompressed_size,
                            static_cast<std::uint32_t>(info.crc), method == Z_DEFLATED};
    unzCloseCurrentFile(zip.get());
    ++files;
    if (readers.empty()) {
      std::vector<unsigned char> packed, plain;
      libdeflate_decompressor* const inflater = libdeflate_alloc_decompressor();
      const bool good = inflater && entryReadsBack(fd, entry, inflater, packed, plain);
      if (inflater) libdeflate_free_decompressor(inflater);
      if (!good) failed = true;
      if (failed) break;
      continue;
    }
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return queue.size() < kQueued || failed; });
    if (failed) break;
    queue.push_back(entry);
    changed.notify_all();
  }
  if (at != UNZ_OK && at != UNZ_END_OF_LIST_OF_FILE) directory = false;
  {
    const std::lock_guard lock(mutex);
    listed = true;
    if (!directory) failed = true;
  }
  changed.notify_all();
  for (auto& thread : readers) thread.join();
  if (isCancelled(control)) return Status::cancelled();
  if (failed) return unreadable(archive);
  return files;
}

}  // namespace velmorin::platform
