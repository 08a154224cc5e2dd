#include "platform/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/folder_reader.h"

namespace velmorin::platform {

namespace {

EntryKind kindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::File;
  if (S_ISDIR(mode)) return EntryKind::Folder;
  if (S_ISLNK(mode)) return EntryKind::Link;
  return EntryKind::Other;
}

FileFacts factsOfStat(const struct stat& st) {
  return {kindOfMode(st.st_mode), static_cast<std::int64_t>(st.st_size),
          static_cast<long double>(st.st_mtim.tv_sec) * 1000.0L + st.st_mtim.tv_nsec / 1e6L};
}

}  // namespace

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  const auto fd = openFolderAt(AT_FDCWD, folder.c_str(), true);
  if (fd && !visitFolder(fd->get(), [&](const char* name, unsigned char) { names.emplace_back(name); })) names.clear();
  return names;
}

std::optional<std::string> readRegularFile(const std::string& path, std::size_t limit) {
  const auto opened = openRegularFile(AT_FDCWD, path.c_str(), true);
  if (!opened || !opened->fd.valid()) return std::nullopt;
  const int fd = opened->fd.get();
  std::string text(std::min<std::size_t>(limit, 4096), '\0');
  std::size_t got = 0;
  while (got < limit) {
    if (got == text.size()) text.resize(std::min(limit, text.size() * 2));
    const ssize_t read = ::read(fd, text.data() + got, text.size() - got);
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return std::nullopt;
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  text.resize(got);
  return text;
}

StatusOr<Folder> Folder::open(const std::string& path, bool followLink) {
  return Folder(TRY_VALUE(openFolderAt(AT_FDCWD, path.c_str(), followLink)));
}

StatusOr<Folder> Folder::child(const char* name) const {
  return Folder(TRY_VALUE(openFolderAt(fd_.get(), name, false)));
}

Status Folder::forEach(const std::function<void(const char* name, EntryKind kind)>& visit) const {
  // Each call reads the listing from its start, so a folder may be read twice.
  if (lseek(fd_.get(), 0, SEEK_SET) != 0) return Status::fromErrno(errno);
  return visitFolder(fd_.get(), [&](const char* name, unsigned char reported) {
    const auto type = entryType(fd_.get(), name, reported);
    if (!type) return visit(name, EntryKind::Missing);
    switch (*type) {
      case DT_REG:
        return visit(name, EntryKind::File);
      case DT_DIR:
        return visit(name, EntryKind::Folder);
      case DT_LNK:
        return visit(name, EntryKind::Link);
      default:
        return visit(name, EntryKind::Other);
    }
  });
}

std::optional<FileFacts> Folder::facts(const char* name, bool followLink) const {
  struct stat st;
  if (fstatat(fd_.get(), name, &st, followLink ? 0 : AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return factsOfStat(st);
}

std::optional<FileFacts> Folder::read(const char* name, std::size_t whole, std::size_t start, std::string& bytes,
                                      bool& read) const {
  read = false;
  bytes.clear();
  // O_NONBLOCK: a FIFO in a file's place is never waited on. O_NOFOLLOW: a
  // link could lead anywhere, /proc included; what is read is what the walk found.
  int fd;
  do {
    fd = openat(fd_.get(), name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::nullopt;
  const UniqueFd owned(fd);
  struct stat st;
  if (fstat(fd, &st) != 0) return std::nullopt;
  const FileFacts facts = factsOfStat(st);
  if (facts.kind != EntryKind::File) return facts;
  const auto size = static_cast<std::size_t>(st.st_size);
  const std::size_t limit = size <= whole ? size : std::min(start, size);
  bytes.resize(limit);
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      bytes.clear();
      return facts;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);  // shorter when the file shrank since its stat
  read = true;
  return facts;
}

StatusOr<OpenedFile> Folder::openFile(const char* name) const { return openRegularFile(fd_.get(), name, false); }

std::optional<FileFacts> factsOf(const std::string& path, bool followLink) {
  struct stat st;
  if ((followLink ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0) return std::nullopt;
  return factsOfStat(st);
}

}  // namespace velmorin::platform
