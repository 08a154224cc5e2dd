// The install: one program list and one model's program files into
// <dest>/<model>, with a dated archive of the programs. Every replacement is
// made complete beside its target first and swapped in last, so a failure
// leaves the earlier list, program folder and archive as they were.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>
#include <vector>

#include "app/language.h"
#include "commands/commands.h"
#include "commands/scan_roots.h"
#include "commands/text_util.h"
#include "platform/file_copy.h"
#include "platform/folder_lock.h"
#include "platform/folder_reader.h"
#include "platform/zip_writer.h"

namespace velmorin {

namespace {

namespace fs = std::filesystem;

Reply failed(const std::string& error) { return {{"ok", false}, {"error", error}}; }

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// A name that must stay one folder inside its parent.
bool isSafeName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

Status createFolders(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return failureFor("create folder", folder, ec.value());
  return {};
}

// Moves `from` onto `to`, replacing whatever is there.
Status replaceWith(const fs::path& from, const fs::path& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return {};
  if (errno != EISDIR && errno != ENOTDIR && errno != ENOTEMPTY && errno != EEXIST) {
    return Status::failure("Could not move " + inQuotes(from) + " to " + inQuotes(to) + ": " + errnoText(errno));
  }
  platform::removeTree(to);
  if (std::rename(from.c_str(), to.c_str()) == 0) return {};
  return Status::failure("Could not move " + inQuotes(from) + " to " + inQuotes(to) + ": " + errnoText(errno));
}

Status installList(const fs::path& list, const fs::path& listsFolder) {
  if (Status made = createFolders(listsFolder); !made) return made;
  const fs::path target = listsFolder / list.filename();
  const fs::path partial = listsFolder / platform::hiddenName(list.filename().string(), ".part");
  platform::removeTree(partial);
  if (Status copied = platform::copyTree(list, partial); !copied) {
    platform::removeTree(partial);
    return copied;
  }
  if (Status moved = replaceWith(partial, target); !moved) {
    platform::removeTree(partial);
    return moved;
  }
  return {};
}

// Copies the top-level entries of `progs` with the extension into `staging`.
Status stagePrograms(const fs::path& progs, const std::string& extension, const fs::path& staging,
                     std::int64_t& count) {
  platform::CopyReport report;
  Status staged = platform::copyEntries(
      progs, staging, [&](const char* name) { return lowerExtension(name) == extension; }, &report);
  count = static_cast<std::int64_t>(report.entries);
  return staged;
}

// Where the earlier program folder waits while the new one is moved in, on
// file systems that cannot exchange two names at once.
fs::path asideOf(const fs::path& programs) {
  return programs.parent_path() / platform::hiddenName(programs.filename().string(), ".anterior");
}

// Puts back an earlier program folder that a killed run had set aside.
void recoverAside(const fs::path& programs) {
  const fs::path aside = asideOf(programs);
  if (access(aside.c_str(), F_OK) != 0) return;
  if (access(programs.c_str(), F_OK) != 0 && std::rename(aside.c_str(), programs.c_str()) == 0) return;
  platform::removeTree(aside);
}

// Puts the staged folder in the program folder's place without a moment in
// which the model folder has no program folder.
Status swapIn(const fs::path& staging, const fs::path& programs) {
  const auto failure = [&] {
    return Status::failure("Could not move " + inQuotes(staging) + " to " + inQuotes(programs) + ": " +
                           errnoText(errno));
  };
  if (access(programs.c_str(), F_OK) != 0) return std::rename(staging.c_str(), programs.c_str()) == 0 ? Status() : failure();
  if (renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, programs.c_str(), RENAME_EXCHANGE) == 0) {
    platform::removeTree(staging);  // now the earlier program folder
    return {};
  }
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return failure();
  // A file system without exchange (FAT, for one): keep the earlier folder
  // aside until the new one is in; a run killed in between is mended by the next.
  const fs::path aside = asideOf(programs);
  if (std::rename(programs.c_str(), aside.c_str()) != 0) return failure();
  if (std::rename(staging.c_str(), programs.c_str()) != 0) {
    const int err = errno;
    std::rename(aside.c_str(), programs.c_str());
    errno = err;
    return failure();
  }
  platform::removeTree(aside);
  return {};
}

// Removes every archive in the model folder but `keep`.
void removeOtherArchives(const fs::path& modelFolder, const std::string& keep) {
  platform::UniqueFd folder(platform::openFolderAt(AT_FDCWD, modelFolder.c_str(), true));
  std::vector<platform::FolderEntry> entries;
  if (!folder.valid() || !platform::readFolder(folder.get(), entries)) return;
  for (const auto& entry : entries)
    if (entry.name.ends_with(".zip") && entry.name != keep) platform::removeTree(modelFolder / entry.name);
}

Status installPrograms(const fs::path& progs, const std::string& extension, const fs::path& modelFolder,
                       const std::string& safeModel, bool es, std::int64_t& count) {
  const fs::path programs = modelFolder / ((es ? "Programas (." : "Programs (.") + extension + ")");
  const fs::path staging = modelFolder / ".nuevo";
  recoverAside(programs);
  platform::removeTree(staging);
  if (mkdir(staging.c_str(), 0777) != 0) return failureFor("create folder", staging, errno);
  if (Status staged = stagePrograms(progs, extension, staging, count); !staged) {
    platform::removeTree(staging);  // a full disk gets its space back; the earlier folder is untouched
    return staged;
  }
  if (Status swapped = swapIn(staging, programs); !swapped) return swapped;

  const std::string archiveName = safeModel + (es ? " Programas " : " Programs ") + today() + ".zip";
  if (Status archived = platform::writeZipArchive(programs, modelFolder / archiveName,
                                                  platform::ZipLayout::ContentsAtTop);
      !archived)
    return archived;
  removeOtherArchives(modelFolder, archiveName);
  return {};
}

}  // namespace

Reply install(const Values& values, const Reply& args) {
  const auto dest = textMember(args, "dest");
  if (!dest) return failed("dest");
  if (dest->empty() || dest->find('\0') != std::string::npos)
    return failed("The destination folder " + inQuotes(*dest) + " is not a valid path.");

  std::string safeModel = textMember(args, "model").value_or("Nord");
  for (char& c : safeModel)
    if (c == '/') c = '-';
  if (!isSafeName(safeModel)) return failed("The model name " + inQuotes(safeModel) + " cannot name a folder.");

  const fs::path root = absolutePath(*dest);
  const fs::path modelFolder = root / safeModel;
  if (Status made = createFolders(modelFolder); !made) return failed(made.error());
  // Installs into one model folder take turns, so they never share its
  // staging folder, and what a killed run left behind can be cleared.
  platform::FolderLock lock(modelFolder);
  platform::removeLeftovers(modelFolder, ".", ".part");

  std::int64_t lists = 0;
  if (const auto list = textMember(args, "list")) {
    const fs::path listPath = list->empty() || list->find('\0') != std::string::npos ? "" : absolutePath(*list);
    if (listPath.empty() || !isSafeName(listPath.filename().string()))
      return failed("The program list " + inQuotes(*list) + " is not a file that can be copied.");
    const fs::path listsFolder = modelFolder / (spanish(values) ? "Listas de programas" : "Program lists");
    if (Status copied = installList(listPath, listsFolder); !copied) return failed(copied.error());
    lists = 1;
  }

  std::int64_t count = 0;
  const auto progs = textMember(args, "progs");
  const auto extension = textMember(args, "ext");
  if (progs && extension) {
    if (extension->find('/') != std::string::npos || extension->find('\0') != std::string::npos)
      return failed("The extension " + inQuotes(*extension) + " cannot name a folder.");
    if (progs->empty() || progs->find('\0') != std::string::npos)
      return failed("The program folder " + inQuotes(*progs) + " is not a valid path.");
    if (Status done = installPrograms(absolutePath(*progs), *extension, modelFolder, safeModel, spanish(values), count);
        !done)
      return failed(done.error());
  }

  return {{"ok", true},
          {"count", count},
          {"lists", lists},
          {"bytes", folderSize(modelFolder)},
          {"path", modelFolder.string()},
          {"root", root.string()}};
}

}  // namespace velmorin
