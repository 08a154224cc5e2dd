// Archives one folder tree one of two ways, for bench/zip_weigh.py to time:
//
//   velmorin_zip_weigh ours SRC OUT.zip         the install's writer: minizip's
//                                              container, deflated on all cores,
//                                              Zip64 end records mended after
//   velmorin_zip_weigh libarchive SRC OUT.zip   libarchive's zip writer, which
//                                              deflates as it writes (one thread)
//   velmorin_zip_weigh libarchive-heap SRC OUT  the same with glibc told to keep
//                                              freed memory: libarchive makes and
//                                              frees a deflate state per entry,
//                                              and returning it to the kernel
//                                              each time costs ~1.5 ms an entry
//
// Both store the folder's contents at the top, keep links as links, modes and
// times, deflate at level 6, and sync the archive before closing it. Prints the
// seconds taken. Not installed, not a test.
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/zip_writer.h"

namespace fs = std::filesystem;

namespace {

int ours(const fs::path& source, const fs::path& archive) {
  const auto written = velmorin::platform::writeZipFile(source, archive, velmorin::platform::ZipLayout::ContentsAtTop,
                                                         archive);
  if (written) return 0;
  std::fprintf(stderr, "ours: %s\n", written.error().c_str());
  return 1;
}

// ---- libarchive: everything the writer needs, from walking to syncing.

bool failed(archive* zip, const char* what) {
  std::fprintf(stderr, "libarchive: %s: %s\n", what, archive_error_string(zip));
  return true;
}

bool addEntry(archive* zip, archive_entry* entry, const fs::path& path, const std::string& name,
              std::vector<char>& buffer) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return !failed(zip, path.c_str());
  archive_entry_clear(entry);
  archive_entry_copy_stat(entry, &st);
  archive_entry_copy_pathname(entry, S_ISDIR(st.st_mode) ? (name + "/").c_str() : name.c_str());
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> target(static_cast<std::size_t>(st.st_size) + 1);
    const ssize_t got = readlink(path.c_str(), target.data(), target.size());
    if (got < 0 || static_cast<std::size_t>(got) >= target.size()) return !failed(zip, path.c_str());
    archive_entry_copy_symlink(entry, std::string(target.data(), static_cast<std::size_t>(got)).c_str());
  } else if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    return true;  // FIFOs, sockets, devices: left out, as ours does
  }
  if (archive_write_header(zip, entry) < ARCHIVE_OK) return !failed(zip, name.c_str());
  if (!S_ISREG(st.st_mode)) return true;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return !failed(zip, path.c_str());
  ssize_t got;
  while ((got = read(fd, buffer.data(), buffer.size())) > 0) {
    if (archive_write_data(zip, buffer.data(), static_cast<std::size_t>(got)) != got) break;
  }
  close(fd);
  return got == 0 || !failed(zip, name.c_str());
}

int withLibarchive(const fs::path& source, const fs::path& archivePath) {
  const int fd = open(archivePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return std::perror("libarchive"), 1;
  archive* zip = archive_write_new();
  archive_write_set_format_zip(zip);
  // Zip64 as needed (the default), deflate at our level, names as UTF-8;
  // whole 1 MiB blocks rather than tar's 10 KiB, none padded.
  archive_write_set_options(zip, "zip:compression=deflate,zip:compression-level=6,zip:hdrcharset=UTF-8");
  archive_write_set_bytes_per_block(zip, 1 << 20);
  archive_write_set_bytes_in_last_block(zip, 1);
  bool ok = archive_write_open_fd(zip, fd) == ARCHIVE_OK || !failed(zip, "open");
  archive_entry* entry = archive_entry_new();
  std::vector<char> buffer(1 << 20);
  std::error_code error;
  for (fs::recursive_directory_iterator it(source, error), end; ok && !error && it != end; it.increment(error)) {
    ok = addEntry(zip, entry, it->path(), it->path().lexically_relative(source).string(), buffer);
  }
  if (error) ok = !failed(zip, error.message().c_str());
  archive_entry_free(entry);
  ok = (archive_write_close(zip) == ARCHIVE_OK || !failed(zip, "close")) && ok;
  archive_write_free(zip);
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok) unlink(archivePath.c_str());
  return ok ? 0 : 1;
}

// ---- end of libarchive's way

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: velmorin_zip_weigh ours|libarchive|libarchive-heap SRC OUT.zip\n");
    return 2;
  }
  std::setlocale(LC_ALL, "C.UTF-8");  // libarchive reads names in the locale's character set
  const std::string way = argv[1];
  const auto start = std::chrono::steady_clock::now();
  int result = 2;
  if (way == "ours") result = ours(argv[2], argv[3]);
  if (way == "libarchive") result = withLibarchive(argv[2], argv[3]);
  if (way == "libarchive-heap") {
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    result = withLibarchive(argv[2], argv[3]);
  }
  if (result == 2) std::fprintf(stderr, "velmorin_zip_weigh: no way called %s\n", argv[1]);
  if (result == 0)
    std::printf("%.3f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return result;
}
