#include "platform/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/folder_reader.h"
#include "platform/whole_io.h"

namespace velmorin::platform {

std::string childPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path != "/") path += '/';
  path += name;
  return path;
}

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
  // The size seen at open, within the limit; a file that grew since is cut there.
  std::string text(std::min<std::size_t>(limit, static_cast<std::size_t>(opened->st.st_size)), '\0');
  const ssize_t got = readUntilFullOrEnd(fd, text.data(), text.size());
  if (got < 0) return std::nullopt;
  text.resize(static_cast<std::size_t>(got));
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
  // Not following links: a link could lead anywhere, /proc included; what is
  // read is what the walk found.
  const auto opened = openRegularFile(fd_.get(), name, false, Reads::OnlyUntilFullOrEnd);
  if (!opened) return std::nullopt;
  const FileFacts facts = factsOfStat(opened->st);
  if (!opened->fd.valid()) return facts;
  const auto size = static_cast<std::size_t>(opened->st.st_size);
  bytes.resize(size <= whole ? size : std::min(start, size));
  const ssize_t got = readUntilFullOrEnd(opened->fd.get(), bytes.data(), bytes.size());
  if (got < 0) {
    bytes.clear();
    return facts;
  }
  bytes.resize(static_cast<std::size_t>(got));  // shorter when the file shrank since its stat
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
