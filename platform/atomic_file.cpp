#include "platform/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/folder_reader.h"
#include "platform/unique_fd.h"

namespace velmorin::platform {

Status writeFileAtomically(const std::filesystem::path& folderPath, const std::string& name,
                           const std::string& draftName, const std::string& text) {
  auto opened = openFolderAt(AT_FDCWD, folderPath.c_str(), true);
  if (!opened) return failureFor("open folder", folderPath, opened.code());
  const UniqueFd folder = std::move(*opened);
  const auto failure = [&](int err) {
    unlinkat(folder.get(), draftName.c_str(), 0);
    return failureFor("write", folderPath / name, err);
  };
  const UniqueFd file(openat(folder.get(), draftName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!file.valid()) return failure(errno);
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t put = write(file.get(), text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return failure(errno);
    done += static_cast<std::size_t>(put);
  }
  if (fsync(file.get()) != 0) return failure(errno);
  if (renameat(folder.get(), draftName.c_str(), folder.get(), name.c_str()) != 0) return failure(errno);
  if (fsync(folder.get()) != 0) return failure(errno);
  return Status();
}

}  // namespace velmorin::platform
