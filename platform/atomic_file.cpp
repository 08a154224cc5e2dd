#include "platform/atomic_file.h"
#include "platform/whole_io.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <unistd.h>

#include <cerrno>

#include "platform/folder_reader.h"
#include "platform/unique_fd.h"

namespace velmorin::platform {

namespace {

// Writes and syncs the draft; then `place` moves it to `name`.
template <class Place>
Status writeThrough(const std::filesystem::path& folderPath, const std::string& name, const std::string& draftName,
                    const std::string& text, mode_t mode, Place place) {
  auto opened = openFolderAt(AT_FDCWD, folderPath.c_str(), true);
  if (!opened) return failureFor(Action::OpenFolder, folderPath, opened.code());
  const UniqueFd folder = std::move(*opened);
  const auto failure = [&](int err) {
    unlinkat(folder.get(), draftName.c_str(), 0);
    return failureFor(Action::Write, folderPath / name, err);
  };
  const UniqueFd file(openat(folder.get(), draftName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode));
  if (!file.valid()) return failure(errno);
  if (const int err = writeUntilDone(file.get(), text.data(), text.size()); err != 0) return failure(err);
  if (fsync(file.get()) != 0) return failure(errno);
  if (const int err = place(folder.get()); err != 0) return failure(err);
  if (fsync(folder.get()) != 0) return failure(errno);
  return Status();
}

}  // namespace

Status writeFileAtomically(const std::filesystem::path& folderPath, const std::string& name,
                           const std::string& draftName, const std::string& text) {
  return writeThrough(folderPath, name, draftName, text, 0600, [&](int folder) {
    return renameat(folder, draftName.c_str(), folder, name.c_str()) == 0 ? 0 : errno;
  });
}

Status writeNewFileAtomically(const std::filesystem::path& folderPath, const std::string& name,
                              const std::string& draftName, const std::string& text) {
  return writeThrough(folderPath, name, draftName, text, 0666, [&](int folder) {
    // Checked and placed in one step: a file another program makes meanwhile is never replaced.
    if (renameat2(folder, draftName.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without that rename: a hard link refuses an existing name the same way.
    if (linkat(folder, draftName.c_str(), folder, name.c_str(), 0) != 0) return errno;
    unlinkat(folder, draftName.c_str(), 0);
    return 0;
  });
}

}  // namespace velmorin::platform
