#include "platform/file_copy.h"
#include "platform/whole_io.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/folder_reader.h"
#include "platform/paths.h"

namespace velmorin::platform {

namespace {

Status copyFailure(const fs::path& from, const fs::path& to, const Status& cause) {
  return Status::whileDoing(Action::Copy, from, cause, to);
}

Status copyFailure(const fs::path& from, const fs::path& to, int err) {
  return copyFailure(from, to, Status::fromErrno(err));
}

const Status kNotFileOrFolder = Status::because(Problem::Invalid, Reason::NeitherRegularFileNorFolder);

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

// The watcher of the copy running on this thread, if any. A copy runs on its
// caller's thread alone, so this reaches the innermost loops without every
// step passing it on.
thread_local WorkControl* watcher = nullptr;

class Watching {
 public:
  explicit Watching(WorkControl* control) : previous_(watcher) { watcher = control; }
  ~Watching() { watcher = previous_; }
  Watching(const Watching&) = delete;
  Watching& operator=(const Watching&) = delete;

 private:
  WorkControl* previous_;
};

// Data moves in steps this big when watched, so a cancel is seen within a
// fraction of a second even on a slow stick.
constexpr std::size_t kWatchedStep = std::size_t{8} << 20;

// Copies the data of `in`, a regular file described by `st`, to the empty file
// `out`.
Status copyData(int in, const struct stat& st, int out, std::uint64_t& copied) {
  // A reflink shares the blocks (btrfs, XFS): instant and no extra space. Any
  // refusal leaves `out` untouched, and a real problem shows up again below.
  if (!(noCloneKnown && noCloneDevice == st.st_dev)) {
    if (ioctl(out, FICLONE, in) == 0) {
      struct stat cloned;
      if (fstat(out, &cloned) == 0) {
        copied += cloned.st_size;
        advance(watcher, 0, cloned.st_size);
      }
      return Status();
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
  const std::size_t step = watcher ? kWatchedStep : std::size_t{1} << 30;
  for (;;) {
    if (isCancelled(watcher)) return Status::cancelled();
    const ssize_t n = copy_file_range(in, nullptr, out, nullptr, step, 0);
    if (n > 0) {
      done += n;
      copied += n;
      advance(watcher, 0, n);
      // The length read at open: no call just to be told the end was reached.
      if (done == expected) return Status();
      continue;
    }
    if (n == 0) {
      // Some virtual files report size 0 yet have data: let read() decide.
      if (done == 0) break;
      return Status();
    }
    if (errno == EINTR) continue;
    if (rangeCopyUnsupported(errno)) break;
    return Status::fromErrno(errno);
  }
  constexpr std::size_t kChunk = 128 * 1024;
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  for (;;) {
    if (isCancelled(watcher)) return Status::cancelled();
    const ssize_t got = read(in, buffer.get(), kChunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return Status::fromErrno(errno);
    }
    if (got == 0) return Status();
    if (const int err = writeUntilDone(out, buffer.get(), static_cast<std::size_t>(got)); err != 0)
      return Status::fromErrno(err);
    copied += got;
    advance(watcher, 0, got);
  }
}

// Creates `toName` in `toFolderFd` with the data, permission bits and times
// of the open regular file `in`; removes it again on failure.
Status copyOpenFile(int in, const struct stat& st, int toFolderFd, const char* toName, std::uint64_t& copied) {
  // Owner-only until complete; the real bits come last.
  int out;
  do {
    out = openat(toFolderFd, toName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
  } while (out < 0 && errno == EINTR);
  if (out < 0) return Status::fromErrno(errno);

  Status result = copyData(in, st, out, copied);
  if (result) {
    // Best effort: FAT sticks refuse permission bits, and that is no reason
    // to lose the copy.
    fchmod(out, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
  }
  // close() can be the first to report a full disk (network file systems).
  if (close(out) != 0 && result && errno != EINTR) result = Status::fromErrno(errno);
  if (!result) unlinkat(toFolderFd, toName, 0);
  return result;
}

// Keeps a created folder's permission bits and times for the end: writing the
// contents changes the time, and read-only bits would stop the writing.
void finishFolder(int folderFd, const struct stat& source) {
  fchmod(folderFd, source.st_mode & 07777);
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  futimens(folderFd, times);
}

bool removeFolderAt(int parentFd, const char* name);

// Copies the file that the link `name` points to, under the link's name, when
// that file lies inside `root`; a link to a folder, to a file elsewhere, to
// something that is not a file, or to nothing is left out and counted. What
// is checked is the file actually opened, so a link changed meanwhile cannot
// bring in anything else.
Status copyLinkedFile(int fromFd, int toFd, const char* name, const fs::path& from, const fs::path& to,
                      const std::string& root, CopyReport& report) {
  const auto in = openRegularFile(fromFd, name, true);
  const auto real = in && in->fd.valid() ? pathOfOpenFile(in->fd.get()) : std::nullopt;
  if (!real || !isSameOrInside(*real, root) || *real == root) {
    ++report.skipped;
    return Status();
  }
  if (Status copied = copyOpenFile(in->fd.get(), in->st, toFd, name, report.bytes); !copied)
    return copyFailure(from, to, copied);
  ++report.files;
  return Status();
}

// Copies the contents of one folder into another, depth first. Each folder is
// copied while its listing is read, so only the names of its sub-folders are
// held, whatever the number of files in it.
class TreeCopier {
 public:
  // `leaveOut`: folders never entered, such as the copy being made when it
  // lies inside its own source. `linksInside`: when set, links are not
  // recreated but copied as the files they point to, and only when those lie
  // inside that (resolved) folder.
  TreeCopier(CopyReport& report, std::vector<FileId> leaveOut, const std::string* linksInside = nullptr)
      : report_(report), leaveOut_(std::move(leaveOut)), linksInside_(linksInside) {}

  Status copyFolder(int fromFd, int toFd, const fs::path& from, const fs::path& to) {
    std::vector<std::string> subfolders;
    Status status;
    const Status listed = visitFolder(fromFd, [&](const char* name, unsigned char type) {
      if (status && isCancelled(watcher)) status = Status::cancelled();
      if (status) status = copyEntry(fromFd, toFd, name, type, from, to, subfolders);
    });
    if (!status) return status;
    if (!listed) return copyFailure(from, to, listed);
    for (const std::string& name : subfolders) {
      if (Status copied = copySubfolder(fromFd, toFd, name.c_str(), from / name, to / name); !copied) return copied;
    }
    return Status();
  }

 private:
  // Copies a file or link at once; a sub-folder waits in `subfolders` until
  // the listing is done. Paths are put together only for a failure's text.
  Status copyEntry(int fromFd, int toFd, const char* name, unsigned char type, const fs::path& from,
                   const fs::path& to, std::vector<std::string>& subfolders) {
    const auto known = entryType(fromFd, name, type);
    if (!known) return copyFailure(from / name, to / name, known.status());
    switch (*known) {
      case DT_DIR:
        subfolders.emplace_back(name);
        return Status();
      case DT_LNK:
        if (linksInside_) return copyLinkedFile(fromFd, toFd, name, from / name, to / name, *linksInside_, report_);
        return copyLink(fromFd, toFd, name, from, to);
      case DT_REG: {
        const auto in = openRegularFile(fromFd, name, false);
        if (!in) return copyFailure(from / name, to / name, in.status());
        if (!in->fd.valid()) {
          ++report_.skipped;  // replaced by something else since the listing
          return Status();
        }
        if (Status copied = copyOpenFile(in->fd.get(), in->st, toFd, name, report_.bytes); !copied)
          return copyFailure(from / name, to / name, copied);
        ++report_.files;
        return Status();
      }
      default:  // FIFO, socket, device: opening a FIFO would wait forever
        ++report_.skipped;
        return Status();
    }
  }

  Status copySubfolder(int fromFd, int toFd, const char* name, const fs::path& from, const fs::path& to) {
    const auto source = openFolderAt(fromFd, name, false);
    if (!source) return copyFailure(from, to, source.status());
    struct stat st;
    if (fstat(source->get(), &st) != 0) return copyFailure(from, to, errno);
    if (isOneOf(st, leaveOut_)) return Status();
    if (mkdirat(toFd, name, 0700) != 0) return copyFailure(from, to, errno);
    const auto target = openFolderAt(toFd, name, false);
    if (!target) return copyFailure(from, to, target.status());
    ++report_.folders;
    TRY(copyFolder(source->get(), target->get(), from, to));
    finishFolder(target->get(), st);
    return Status();
  }

  Status copyLink(int fromFd, int toFd, const char* name, const fs::path& from, const fs::path& to) {
    const auto failure = [&] { return copyFailure(from / name, to / name, errno); };
    struct stat st;
    if (fstatat(fromFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return failure();
    const auto target = readLinkAt(fromFd, name, st);
    if (!target) return copyFailure(from / name, to / name, target.status());
    if (symlinkat(target->c_str(), toFd, name) != 0) return failure();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(toFd, name, times, AT_SYMLINK_NOFOLLOW);
    ++report_.links;
    return Status();
  }

  CopyReport& report_;
  const std::vector<FileId> leaveOut_;
  const std::string* linksInside_;
};

// Copies the regular file `name` in `fromDirFd` (a link to one is followed),
// described by `st`, to the new `toName` in `toDirFd`.
Status copyRegularAt(int fromDirFd, const char* name, int toDirFd, const char* toName, const fs::path& from,
                     const fs::path& to, CopyReport& counts) {
  const auto in = openRegularFile(fromDirFd, name, true);
  if (!in) return copyFailure(from, to, in.status());
  if (!in->fd.valid()) return copyFailure(from, to, kNotFileOrFolder);
  if (Status copied = copyOpenFile(in->fd.get(), in->st, toDirFd, toName, counts.bytes); !copied)
    return copyFailure(from, to, copied);
  ++counts.files;
  return Status();
}

// Copies the folder `name` in `fromDirFd` (a link to one is followed when
// `followLink`) and all it holds to the new folder `toName` in `toDirFd`,
// leaving out the folders in `leaveOut`; links inside as TreeCopier's
// `linksInside` says. On failure the new folder is removed again.
Status copyFolderAt(int fromDirFd, const char* name, int toDirFd, const char* toName, const fs::path& from,
                    const fs::path& to, CopyReport& counts, std::vector<FileId> leaveOut, bool followLink,
                    const std::string* linksInside) {
  const auto source = openFolderAt(fromDirFd, name, followLink);
  if (!source) return copyFailure(from, to, source.status());
  struct stat st;
  if (fstat(source->get(), &st) != 0) return copyFailure(from, to, errno);
  if (mkdirat(toDirFd, toName, 0700) != 0) return copyFailure(from, to, errno);
  // From here on the new folder is ours: a failure removes it rather than leave half a copy.
  const auto target = openFolderAt(toDirFd, toName, false);
  struct stat created;
  Status copied;
  if (!target) {
    copied = copyFailure(from, to, target.status());
  } else if (fstat(target->get(), &created) != 0) {
    copied = copyFailure(from, to, errno);
  } else {
    ++counts.folders;
    leaveOut.push_back(FileId::of(created));  // the copy being made inside its own source
    TreeCopier copier(counts, std::move(leaveOut), linksInside);
    copied = copier.copyFolder(source->get(), target->get(), from, to);
    if (copied) finishFolder(target->get(), st);
  }
  if (!copied) removeFolderAt(toDirFd, toName);
  return copied;
}

// Removes what `folderFd` holds, never following a link, as its listing is
// read: only sub-folders' names are held. True when anything was removed.
bool removeContents(int folderFd) {
  bool removed = false;
  std::vector<std::string> subfolders;
  // On a read error, what was listed goes; the caller finds the rest still there.
  (void)visitFolder(folderFd, [&](const char* name, unsigned char type) {
    // Unlinking a folder fails (EISDIR), so an unknown type can simply be tried.
    if (type != DT_DIR && unlinkat(folderFd, name, 0) == 0) {
      removed = true;
    } else if (type == DT_DIR || errno == EISDIR) {
      subfolders.emplace_back(name);
    }
  });
  for (const std::string& name : subfolders) removed = removeFolderAt(folderFd, name.c_str()) || removed;
  return removed;
}

// Removes the folder `name` in `parentFd` and its contents, never following a
// link. True when it is gone.
bool removeFolderAt(int parentFd, const char* name) {
  auto folder = openFolderAt(parentFd, name, false);
  struct stat st;
  if (!folder && folder.code() == EACCES && fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISDIR(st.st_mode)) {
    // A folder without read permission (copied from read-only media) is still ours.
    fchmodat(parentFd, name, S_IRWXU, 0);
    folder = openFolderAt(parentFd, name, false);
  }
  if (!folder) return unlinkat(parentFd, name, AT_REMOVEDIR) == 0;
  const int fd = folder->get();
  fchmod(fd, S_IRWXU);  // entries of a read-only folder cannot be unlinked
  // A file system may pass over entries of a folder that changes while it is
  // read: read it again while that removes something (a few times at most).
  for (int pass = 0; pass < 8; ++pass) {
    const bool removedSome = removeContents(fd);
    if (unlinkat(parentFd, name, AT_REMOVEDIR) == 0) return true;
    if (errno != ENOTEMPTY || !removedSome || lseek(fd, 0, SEEK_SET) != 0) return false;
  }
  return false;
}

}  // namespace

Status copyTree(const fs::path& from, const fs::path& to, CopyReport* report, WorkControl* control,
                const fs::path& shownTo) {
  const Watching watching(control);
  CopyReport scratch;
  CopyReport& counts = report ? *report : scratch;
  counts = CopyReport();
  const fs::path& shown = shownTo.empty() ? to : shownTo;

  struct stat st;
  if (stat(from.c_str(), &st) != 0) return copyFailure(from, shown, errno);
  Status copied;
  if (S_ISREG(st.st_mode)) {
    copied = copyRegularAt(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), from, shown, counts);
  } else if (S_ISDIR(st.st_mode)) {
    copied = copyFolderAt(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), from, shown, counts, {}, true, nullptr);
  } else {
    return copyFailure(from, shown, kNotFileOrFolder);
  }
  if (copied) counts.entries = 1;
  return copied;
}

Status copyEntries(const fs::path& from, const fs::path& to, const std::function<bool(const char* name)>& wanted,
                   CopyReport* report, WorkControl* control, const fs::path& shownTo) {
  const Watching watching(control);
  CopyReport scratch;
  CopyReport& counts = report ? *report : scratch;
  counts = CopyReport();
  const fs::path& shown = shownTo.empty() ? to : shownTo;

  const auto source = openFolderAt(AT_FDCWD, from.c_str(), true);
  if (!source) return failureFor(Action::ListFolder, from, source.code());
  const auto root = pathOfOpenFile(source->get());
  if (!root) return failureFor(Action::ListFolder, from, errno);
  const auto target = openFolderAt(AT_FDCWD, to.c_str(), true);
  if (!target) return failureFor(Action::OpenFolder, shown, target.code());
  struct stat st;
  if (fstat(target->get(), &st) != 0) return failureFor(Action::OpenFolder, shown, errno);
  const FileId destination = FileId::of(st);
  const int sourceFd = source->get(), targetFd = target->get();

  Status status;
  const Status listed = visitFolder(sourceFd, [&](const char* name, unsigned char) {
    if (!status || !wanted(name)) return;
    if (isCancelled(control)) {
      status = Status::cancelled();
      return;
    }
    if (fstatat(sourceFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;  // gone since the listing
    const std::uint64_t before = counts.files + counts.folders;
    if (S_ISREG(st.st_mode)) {
      status = copyRegularAt(sourceFd, name, targetFd, name, from / name, shown / name, counts);
    } else if (S_ISDIR(st.st_mode)) {
      if (destination.matches(st)) return;
      status = copyFolderAt(sourceFd, name, targetFd, name, from / name, shown / name, counts, {destination}, false,
                            &*root);
    } else if (S_ISLNK(st.st_mode)) {
      status = copyLinkedFile(sourceFd, targetFd, name, from / name, shown / name, *root, counts);
    } else {
      ++counts.skipped;  // FIFO, socket, device: opening a FIFO would wait forever
      return;
    }
    if (status && counts.files + counts.folders > before) {
      ++counts.entries;
      advance(control, 1);
    }
  });
  if (!status) return status;
  if (!listed) return failureFor(Action::ListFolder, from, listed.code());
  return Status();
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
