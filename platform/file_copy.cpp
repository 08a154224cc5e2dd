#include "platform/file_copy.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "platform/folder_reader.h"

namespace velmorin::platform {

namespace {

Status copyFailure(const fs::path& from, const fs::path& to, const std::string& reason) {
  return Status::failure("Could not copy " + inQuotes(from) + " to " + inQuotes(to) + ": " + reason);
}

Status copyFailure(const fs::path& from, const fs::path& to, int err) {
  return copyFailure(from, to, errnoText(err));
}

const char kNotFileOrFolder[] = "it is neither a regular file nor a folder";

// Errors with which copy_file_range declines a pair of files (other file
// system, old kernel, special file system); plain reads and writes still work.
bool rangeCopyUnsupported(int err) {
  return err == EXDEV || err == ENOSYS || err == EINVAL || err == EOPNOTSUPP || err == EBADF ||
         err == ETXTBSY || err == EPERM;
}

// The last device on which a reflink was refused for want of support, per
// thread: every file of a tree lies on the same file system, and asking again
// for each costs a system call apiece (ext4 never clones).
thread_local dev_t noCloneDevice = 0;
thread_local bool noCloneKnown = false;

// Copies the data of `in`, a regular file described by `st`, to the empty file
// `out`; returns 0 or an errno value.
int copyData(int in, const struct stat& st, int out, std::uint64_t& copied) {
  // A reflink shares the blocks (btrfs, XFS): instant and no extra space. Any
  // refusal leaves `out` untouched, and a real problem shows up again below.
  if (!(noCloneKnown && noCloneDevice == st.st_dev)) {
    if (ioctl(out, FICLONE, in) == 0) {
      struct stat cloned;
      if (fstat(out, &cloned) == 0) copied += cloned.st_size;
      return 0;
    }
    // Same file system without reflinks; another device (EXDEV) may differ.
    if (errno == EOPNOTSUPP || errno == ENOTTY) {
      noCloneDevice = st.st_dev;
      noCloneKnown = true;
    }
  }
  // In-kernel copy: no round trip through user memory. Both descriptors'
  // offsets advance, so the fallback continues where this one stopped.
  std::uint64_t done = 0;
  const auto expected = static_cast<std::uint64_t>(st.st_size);
  for (;;) {
    const ssize_t n = copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
    if (n > 0) {
      done += n;
      copied += n;
      // The length read at open: no call just to be told the end was reached.
      if (done == expected) return 0;
      continue;
    }
    if (n == 0) {
      // Some virtual files report size 0 yet have data: let read() decide.
      if (done == 0) break;
      return 0;
    }
    if (errno == EINTR) continue;
    if (rangeCopyUnsupported(errno)) break;
    return errno;
  }
  constexpr std::size_t kChunk = 128 * 1024;
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  for (;;) {
    const ssize_t got = read(in, buffer.get(), kChunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, buffer.get() + done, got - done);
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += put;
    }
    copied += got;
  }
}

// Creates `toName` in `toFolderFd` with the data, permission bits and times
// of the open regular file `in`; removes it again on failure.
Status copyOpenFile(int in, const struct stat& st, int toFolderFd, const char* toName,
                    const fs::path& from, const fs::path& to, std::uint64_t& copied) {
  // Owner-only until complete; the real bits come last.
  int out;
  do {
    out = openat(toFolderFd, toName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
  } while (out < 0 && errno == EINTR);
  if (out < 0) return copyFailure(from, to, errno);

  int err = copyData(in, st, out, copied);
  if (err == 0) {
    // Best effort: FAT sticks refuse permission bits, and that is no reason
    // to lose the copy.
    fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
  }
  // close() can be the first to report a full disk (network file systems).
  if (close(out) != 0 && err == 0 && errno != EINTR) err = errno;
  if (err == 0) return Status();
  unlinkat(toFolderFd, toName, 0);
  return copyFailure(from, to, err);
}

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool matches(const struct stat& st) const { return st.st_dev == dev && st.st_ino == ino; }
};

// Keeps a created folder's permission bits and times for the end: writing the
// contents changes the time, and read-only bits would stop the writing.
void finishFolder(int folderFd, const struct stat& source) {
  fchmod(folderFd, source.st_mode & 07777);
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  futimens(folderFd, times);
}

class TreeCopier {
 public:
  TreeCopier(CopyReport& report, FileId copyRoot) : report_(report), copyRoot_(copyRoot) {}

  Status copyFolder(int fromFd, int toFd, const fs::path& from, const fs::path& to) {
    std::vector<FolderEntry> entries;
    if (!readFolder(fromFd, entries)) return copyFailure(from, to, errno);
    for (const FolderEntry& entry : entries) {
      if (Status copied = copyEntry(fromFd, toFd, entry, from / entry.name, to / entry.name); !copied)
        return copied;
    }
    return Status();
  }

 private:
  Status copyEntry(int fromFd, int toFd, const FolderEntry& entry, const fs::path& from,
                   const fs::path& to) {
    const char* name = entry.name.c_str();
    unsigned char type = entry.type;
    struct stat st;
    if (type == DT_UNKNOWN) {  // some file systems do not say: ask
      if (fstatat(fromFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return copyFailure(from, to, errno);
      type = IFTODT(st.st_mode);
    }
    switch (type) {
      case DT_DIR:
        return copySubfolder(fromFd, toFd, name, from, to);
      case DT_LNK:
        return copyLink(fromFd, toFd, name, from, to);
      case DT_REG: {
        const UniqueFd in(openRegularFile(fromFd, name, false, st));
        if (!in.valid()) {
          if (errno != 0) return copyFailure(from, to, errno);
          ++report_.skipped;  // replaced by something else since the listing
          return Status();
        }
        if (Status copied = copyOpenFile(in.get(), st, toFd, name, from, to, report_.bytes); !copied)
          return copied;
        ++report_.files;
        return Status();
      }
      default:  // FIFO, socket, device: opening a FIFO would wait forever
        ++report_.skipped;
        return Status();
    }
  }

  Status copySubfolder(int fromFd, int toFd, const char* name, const fs::path& from,
                       const fs::path& to) {
    const UniqueFd source(openFolderAt(fromFd, name, false));
    struct stat st;
    if (!source.valid() || fstat(source.get(), &st) != 0) return copyFailure(from, to, errno);
    if (copyRoot_.matches(st)) return Status();  // the copy being made inside its own source
    if (mkdirat(toFd, name, 0700) != 0) return copyFailure(from, to, errno);
    const UniqueFd target(openFolderAt(toFd, name, false));
    if (!target.valid()) return copyFailure(from, to, errno);
    ++report_.folders;
    if (Status copied = copyFolder(source.get(), target.get(), from, to); !copied) return copied;
    finishFolder(target.get(), st);
    return Status();
  }

  Status copyLink(int fromFd, int toFd, const char* name, const fs::path& from, const fs::path& to) {
    struct stat st;
    if (fstatat(fromFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return copyFailure(from, to, errno);
    // st_size is the target's length, except on file systems that report 0.
    std::string target(st.st_size > 0 ? st.st_size + 1 : 256, '\0');
    for (;;) {
      const ssize_t length = readlinkat(fromFd, name, target.data(), target.size());
      if (length < 0) return copyFailure(from, to, errno);
      if (static_cast<std::size_t>(length) < target.size()) {
        target.resize(length);
        break;
      }
      target.resize(target.size() * 2);  // grew since the stat
    }
    if (symlinkat(target.c_str(), toFd, name) != 0) return copyFailure(from, to, errno);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(toFd, name, times, AT_SYMLINK_NOFOLLOW);
    ++report_.links;
    return Status();
  }

  CopyReport& report_;
  const FileId copyRoot_;
};

void removeContents(int folderFd);

// Removes the folder `name` in `parentFd` and its contents, never following a link.
void removeFolderAt(int parentFd, const char* name) {
  UniqueFd folder(openFolderAt(parentFd, name, false));
  struct stat st;
  if (!folder.valid() && errno == EACCES && fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISDIR(st.st_mode)) {
    // A folder without read permission (copied from read-only media) is still ours.
    fchmodat(parentFd, name, S_IRWXU, 0);
    folder = UniqueFd(openFolderAt(parentFd, name, false));
  }
  if (folder.valid()) {
    fchmod(folder.get(), S_IRWXU);  // entries of a read-only folder cannot be unlinked
    removeContents(folder.get());
  }
  unlinkat(parentFd, name, AT_REMOVEDIR);
}

void removeContents(int folderFd) {
  std::vector<FolderEntry> entries;
  readFolder(folderFd, entries);  // on a read error, remove what was listed
  for (const FolderEntry& entry : entries) {
    const char* name = entry.name.c_str();
    // Unlinking a folder fails (EISDIR), so an unknown type can simply be tried.
    if (entry.type != DT_DIR && unlinkat(folderFd, name, 0) == 0) continue;
    if (entry.type == DT_DIR || errno == EISDIR) removeFolderAt(folderFd, name);
  }
}

}  // namespace

Status copyFileContents(const fs::path& from, const fs::path& to) {
  struct stat st;
  const UniqueFd in(openRegularFile(AT_FDCWD, from.c_str(), true, st));
  if (!in.valid()) {
    if (errno != 0) return copyFailure(from, to, errno);
    return copyFailure(from, to, S_ISDIR(st.st_mode) ? errnoText(EISDIR) : kNotFileOrFolder);
  }
  std::uint64_t copied = 0;
  return copyOpenFile(in.get(), st, AT_FDCWD, to.c_str(), from, to, copied);
}

Status copyTree(const fs::path& from, const fs::path& to, CopyReport* report) {
  CopyReport scratch;
  CopyReport& counts = report ? *report : scratch;
  counts = CopyReport();

  struct stat st;
  if (stat(from.c_str(), &st) != 0) return copyFailure(from, to, errno);
  if (S_ISREG(st.st_mode)) {
    const UniqueFd in(openRegularFile(AT_FDCWD, from.c_str(), true, st));
    if (!in.valid()) return copyFailure(from, to, errno != 0 ? errnoText(errno) : kNotFileOrFolder);
    if (Status copied = copyOpenFile(in.get(), st, AT_FDCWD, to.c_str(), from, to, counts.bytes); !copied)
      return copied;
    counts.files = 1;
    return Status();
  }
  if (!S_ISDIR(st.st_mode)) return copyFailure(from, to, kNotFileOrFolder);

  const UniqueFd source(openFolderAt(AT_FDCWD, from.c_str(), true));
  if (!source.valid() || fstat(source.get(), &st) != 0) return copyFailure(from, to, errno);
  if (mkdir(to.c_str(), 0700) != 0) return copyFailure(from, to, errno);
  // From here on `to` is ours: a failure removes it rather than leave half a copy.
  const UniqueFd target(openFolderAt(AT_FDCWD, to.c_str(), false));
  struct stat created;
  Status copied;
  if (!target.valid() || fstat(target.get(), &created) != 0) {
    copied = copyFailure(from, to, errno);
  } else {
    counts.folders = 1;
    TreeCopier copier(counts, FileId{created.st_dev, created.st_ino});
    copied = copier.copyFolder(source.get(), target.get(), from, to);
    if (copied) finishFolder(target.get(), st);
  }
  if (!copied) removeTree(to);
  return copied;
}

void removeTree(const fs::path& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    removeFolderAt(AT_FDCWD, path.c_str());
  } else {
    unlink(path.c_str());
  }
}

}  // namespace velmorin::platform
