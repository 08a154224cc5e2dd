#include "platform/zip_writer.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_reader.h"

namespace velmorin::platform {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Strict UTF-8: no overlong forms, surrogates or values past U+10FFFF.
bool isUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned c = *p;
    int more;
    unsigned min;
    if (c < 0x80) {
      ++p;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      more = 1, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3, min = 0x10000;
    } else {
      return false;
    }
    if (end - p <= more) return false;
    unsigned code = c & (0x3F >> more);
    for (int i = 1; i <= more; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    p += more + 1;
  }
  return true;
}

// libarchive flags a zip name as UTF-8 (general purpose bit 11) when the
// calling thread's character set is UTF-8, and without a "hdrcharset" option
// stores the name's bytes as given. Choosing this thread's LC_CTYPE for each
// header therefore flags exactly the names that are UTF-8, whatever the
// process's locale, and keeps the raw bytes of the others. (hdrcharset=UTF-8
// would flag every non-ASCII name, invalid ones too, which makes readers such
// as Python's zipfile reject the whole archive; and libarchive crashes on
// invalid bytes given as UTF-8 under a UTF-8 locale.)
class NameCharsetScope {
 public:
  explicit NameCharsetScope(bool utf8) {
    static const locale_t utf8Locale = [] {
      for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
        if (const locale_t found = newlocale(LC_CTYPE_MASK, name, locale_t{})) return found;
      }
      return locale_t{};  // names still stored exactly, only unflagged
    }();
    static const locale_t plainLocale = newlocale(LC_CTYPE_MASK, "C", locale_t{});
    const locale_t wanted = utf8 ? utf8Locale : plainLocale;
    if (wanted) previous_ = uselocale(wanted);
  }
  ~NameCharsetScope() {
    if (previous_) uselocale(previous_);
  }
  NameCharsetScope(const NameCharsetScope&) = delete;
  NameCharsetScope& operator=(const NameCharsetScope&) = delete;

 private:
  locale_t previous_{};
};

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
};

Status readFailure(const fs::path& path, int err) { return failureFor("read", path, err); }

// Opens `name` in `folderFd` if it is a regular file, with a non-blocking open
// so that a FIFO put in its place cannot hang us. Returns -1 with errno set,
// or with errno 0 when it is not a regular file.
int openRegularFile(int folderFd, const char* name, bool followLink, struct stat& st) {
  int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (!followLink) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = openat(folderFd, name, flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  const int err = fstat(fd, &st) != 0 ? errno : 0;
  if (err != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = err;
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

class ZipWriter {
 public:
  ZipWriter(const fs::path& archivePath, std::vector<FileId> leaveOut)
      : archivePath_(archivePath), leaveOut_(std::move(leaveOut)), buffer_(new char[kChunk]) {}
  ~ZipWriter() {
    if (entry_) archive_entry_free(entry_);
    // A failed archive is closed like any other, its output discarded:
    // libarchive leaks its buffers and deflate state when it has seen an error.
    failed_ = true;
    if (a_) archive_write_free(a_);
  }
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  Status open(int fd) {
    fd_ = fd;
    a_ = archive_write_new();
    entry_ = archive_entry_new();
    if (!a_ || !entry_) return failureFor("write archive", archivePath_, ENOMEM);
    // Sizes are set on every file entry, so libarchive adds Zip64 records only
    // to entries and archives over 4 GiB.
    if (archive_write_set_format_zip(a_) != ARCHIVE_OK ||
        archive_write_zip_set_compression_deflate(a_) != ARCHIVE_OK ||
        archive_write_set_format_option(a_, "zip", "compression-level", "6") != ARCHIVE_OK ||
        archive_write_set_bytes_per_block(a_, kChunk) != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(a_, 1) != ARCHIVE_OK ||
        archive_write_open(a_, this, nullptr, &ZipWriter::writeOut, nullptr) != ARCHIVE_OK)
      return checked(false);
    return Status();
  }

  // The folder open as `folderFd`: its own entry when `name` is not empty,
  // then its contents below "name/".
  Status addFolder(int folderFd, const struct stat& st, const std::string& name, const fs::path& path) {
    std::string prefix;
    if (!name.empty()) {
      prefix = name + "/";
      if (Status written = writeHeader(prefix, st); !written) return written;
    }
    std::vector<FolderEntry> entries;
    if (!readFolder(folderFd, entries)) return readFailure(path, errno);
    // Sorted, so that the same tree gives the same archive.
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : entries) {
      if (Status added = addEntry(folderFd, entry, prefix + entry.name, path / entry.name); !added)
        return added;
    }
    return Status();
  }

  // The open regular file `fd`, streamed in chunks: memory use does not grow with its size.
  Status addFile(int fd, const struct stat& st, const std::string& name, const fs::path& path) {
    if (Status written = writeHeader(name, st); !written) return written;
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    // Exactly the size given in the header: growth is cut off, shrinking fails.
    for (off_t remaining = st.st_size; remaining > 0;) {
      const ssize_t got = read(fd, buffer_.get(), std::min<off_t>(remaining, kChunk));
      if (got < 0) {
        if (errno == EINTR) continue;
        return readFailure(path, errno);
      }
      if (got == 0)
        return Status::failure("Could not read " + inQuotes(path) + ": it got shorter while being archived");
      if (Status written = checked(archive_write_data(a_, buffer_.get(), got) == got); !written) return written;
      remaining -= got;
    }
    return Status();
  }

  // Writes the central directory and flushes.
  Status finish() {
    return checked(archive_write_close(a_) == ARCHIVE_OK);
  }

 private:
  Status addEntry(int folderFd, const FolderEntry& entry, const std::string& name, const fs::path& path) {
    const char* fileName = entry.name.c_str();
    unsigned char type = entry.type;
    struct stat st;
    if (type == DT_UNKNOWN) {  // some file systems do not say: ask
      if (fstatat(folderFd, fileName, &st, AT_SYMLINK_NOFOLLOW) != 0) return readFailure(path, errno);
      type = IFTODT(st.st_mode);
    }
    switch (type) {
      case DT_DIR: {
        const UniqueFd folder(openFolderAt(folderFd, fileName, false));
        if (!folder.valid() || fstat(folder.get(), &st) != 0) return readFailure(path, errno);
        return addFolder(folder.get(), st, name, path);
      }
      case DT_REG: {
        const UniqueFd file(openRegularFile(folderFd, fileName, false, st));
        if (!file.valid()) return errno == 0 ? Status() : readFailure(path, errno);  // 0: no longer a file
        for (const FileId& id : leaveOut_) {
          if (st.st_dev == id.dev && st.st_ino == id.ino) return Status();
        }
        return addFile(file.get(), st, name, path);
      }
      case DT_LNK:
        return addLink(folderFd, fileName, name, path);
      default:  // FIFO, socket, device: nothing a zip can hold, and a FIFO would block
        return Status();
    }
  }

  Status addLink(int folderFd, const char* fileName, const std::string& name, const fs::path& path) {
    struct stat st;
    if (fstatat(folderFd, fileName, &st, AT_SYMLINK_NOFOLLOW) != 0) return readFailure(path, errno);
    // st_size is the target's length, except on file systems that report 0.
    std::string target(st.st_size > 0 ? st.st_size + 1 : 256, '\0');
    for (;;) {
      const ssize_t length = readlinkat(folderFd, fileName, target.data(), target.size());
      if (length < 0) return readFailure(path, errno);
      if (static_cast<std::size_t>(length) < target.size()) {
        target.resize(length);
        break;
      }
      target.resize(target.size() * 2);  // changed since the stat
    }
    return writeHeader(name, st, target.c_str());
  }

  Status writeHeader(const std::string& name, const struct stat& st, const char* linkTarget = nullptr) {
    archive_entry_clear(entry_);
    archive_entry_set_pathname(entry_, name.c_str());
    archive_entry_set_mode(entry_, st.st_mode);
    archive_entry_set_uid(entry_, st.st_uid);
    archive_entry_set_gid(entry_, st.st_gid);
    archive_entry_set_mtime(entry_, st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (S_ISREG(st.st_mode)) archive_entry_set_size(entry_, st.st_size);
    if (linkTarget) archive_entry_set_symlink(entry_, linkTarget);
    const NameCharsetScope charset(isUtf8(name));
    return checked(archive_write_header(a_, entry_) >= ARCHIVE_WARN);
  }

  // Output goes through here rather than archive_write_open_fd so that a
  // write error does not put libarchive into its leaking failed state: the
  // error is kept for checked() and the rest of the output dropped.
  static la_ssize_t writeOut(struct archive*, void* self, const void* data, size_t length) {
    auto& writer = *static_cast<ZipWriter*>(self);
    for (size_t done = 0; done < length && !writer.failed_;) {
      const ssize_t put = write(writer.fd_, static_cast<const char*>(data) + done, length - done);
      if (put > 0) {
        done += put;
      } else if (put == 0 || errno != EINTR) {
        writer.writeError_ = put == 0 ? ENOSPC : errno;
        writer.failed_ = true;
      }
    }
    return static_cast<la_ssize_t>(length);
  }

  // The outcome of a libarchive call that reported `succeeded`.
  Status checked(bool succeeded) const {
    if (writeError_ != 0) return failureFor("write archive", archivePath_, writeError_);
    if (succeeded) return Status();
    const int err = archive_errno(a_);
    // libarchive passes system errors (ENOSPC, EIO) through; its own problems
    // come as EINVAL, EILSEQ or -1 with a better text.
    const char* text = archive_error_string(a_);
    if ((err > 0 && err != EINVAL && err != EILSEQ) || !text) return failureFor("write archive", archivePath_, err);
    return Status::failure("Could not write archive " + inQuotes(archivePath_) + ": " + text);
  }

  const fs::path archivePath_;
  const std::vector<FileId> leaveOut_;
  const std::unique_ptr<char[]> buffer_;
  struct archive* a_ = nullptr;
  archive_entry* entry_ = nullptr;
  int fd_ = -1;
  int writeError_ = 0;
  bool failed_ = false;  // from here on output is dropped
};

// The name the layouts store for `source`: its last component, also for
// "folder/" or "." spellings.
std::string storedName(const fs::path& source) {
  std::error_code error;
  fs::path path = fs::absolute(source, error);
  if (error) path = source;
  path = path.lexically_normal();
  if (!path.has_filename()) path = path.parent_path();
  return path.filename().string();
}

// Creates ".<archive name>.XXXXXX.part" beside `archive`, with the mode the
// umask gives a new file. Not ending in ".zip", it is never taken for an archive.
int createTemporary(const fs::path& archive, fs::path& temporary) {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  // Leaves room below NAME_MAX (255) for the added characters.
  const std::string base = "." + archive.filename().string().substr(0, 200) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
      struct timespec now;  // only this early in boot; O_EXCL still guarantees a fresh file
      clock_gettime(CLOCK_MONOTONIC, &now);
      std::uint64_t mixed = (now.tv_nsec ^ (std::uint64_t(getpid()) << 32)) * 0x9E3779B97F4A7C15ull;
      for (unsigned char& r : random) r = static_cast<unsigned char>(mixed >>= 8);
    }
    std::string name = base;
    for (const unsigned char r : random) name += kLetters[r % (sizeof kLetters - 1)];
    temporary = archive.parent_path() / (name + ".part");
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Makes the rename itself durable: a USB stick may be pulled right after.
void syncFolderOf(const fs::path& file) {
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  const UniqueFd fd(openFolderAt(AT_FDCWD, folder.c_str(), true));
  if (fd.valid()) fsync(fd.get());
}

}  // namespace

Status writeZipArchive(const fs::path& source, const fs::path& archive, ZipLayout layout) {
  struct stat st;
  if (stat(source.c_str(), &st) != 0) return failureFor("archive", source, errno);
  const bool isFolder = S_ISDIR(st.st_mode);
  if (!isFolder && !S_ISREG(st.st_mode))
    return Status::failure("Could not archive " + inQuotes(source) + ": it is neither a file nor a folder");
  const UniqueFd sourceFd(isFolder ? openFolderAt(AT_FDCWD, source.c_str(), true)
                                   : openRegularFile(AT_FDCWD, source.c_str(), true, st));
  if (!sourceFd.valid() || (isFolder && fstat(sourceFd.get(), &st) != 0))
    return failureFor("archive", source, errno != 0 ? errno : ENOENT);  // 0: no longer a file

  fs::path temporary;
  const int fd = createTemporary(archive, temporary);
  if (fd < 0) return failureFor("write archive", archive, errno);

  // Neither the archive being written nor the one it replaces goes into itself.
  std::vector<FileId> leaveOut;
  struct stat own;
  if (fstat(fd, &own) == 0) leaveOut.push_back({own.st_dev, own.st_ino});
  if (stat(archive.c_str(), &own) == 0) leaveOut.push_back({own.st_dev, own.st_ino});

  Status result;
  {
    ZipWriter writer(archive, std::move(leaveOut));
    result = writer.open(fd);
    const std::string name = storedName(source);
    if (result && isFolder) {
      result = writer.addFolder(sourceFd.get(), st, layout == ZipLayout::FolderAtTop ? name : "", source);
    } else if (result) {
      result = writer.addFile(sourceFd.get(), st, name, source);
    }
    if (result) result = writer.finish();
  }
  if (result && fsync(fd) != 0) result = failureFor("write archive", archive, errno);
  if (close(fd) != 0 && result && errno != EINTR) result = failureFor("write archive", archive, errno);
  if (result && rename(temporary.c_str(), archive.c_str()) != 0)
    result = failureFor("write archive", archive, errno);
  if (!result) {
    unlink(temporary.c_str());
    return result;
  }
  syncFolderOf(archive);
  return result;
}

}  // namespace velmorin::platform
