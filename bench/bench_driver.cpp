// velmorin_bench: one piece of the product's work per process, so that
// bench/run.py can time it (and read its peak memory) next to the standard
// tool that does the same job.
//
//   velmorin_bench scan HOME                 scan of HOME's Desktop, Documents and Downloads
//   velmorin_bench size PATH                 folderSize(PATH)
//   velmorin_bench copy SRC DST              copyTree(SRC, DST)
//   velmorin_bench stage SRC EXT MODEL       the install's copy-and-swap of SRC's *.EXT into MODEL
//   velmorin_bench archive SRC OUT [--top]   writeZipArchive (contents at top; --top: folder at top)
//
// Each prints a one-line result on standard output and exits 0, or prints the
// failure on standard error and exits 1.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "app/json_text.h"
#include "app/values.h"
#include "commands/commands.h"
#include "commands/text_util.h"
#include "platform/file_copy.h"
#include "platform/zip_writer.h"

namespace {

namespace fs = std::filesystem;
using velmorin::Status;
namespace platform = velmorin::platform;

int fail(const std::string& text) {
  std::cerr << "velmorin_bench: " << text << '\n';
  return 1;
}

int usage() {
  std::cerr << "usage: velmorin_bench scan HOME | size PATH | copy SRC DST | stage SRC EXT MODEL_FOLDER |\n"
               "                      archive SRC OUT.zip [--top]\n";
  return 2;
}

// The install keeps its staging steps private to install.cpp, and the full
// install also writes an archive; timing the copy-and-swap on its own needs
// the same steps here, built from the same platform calls: copy each
// top-level entry with the wanted extension into a hidden staging folder, then
// exchange it with the program folder.
int stage(const fs::path& progs, const std::string& extension, const fs::path& modelFolder) {
  std::error_code ec;
  fs::create_directories(modelFolder, ec);
  if (ec) return fail("cannot create " + modelFolder.string() + ": " + ec.message());
  const fs::path programs = modelFolder / ("Programs (." + extension + ")");
  const fs::path staging = modelFolder / ".nuevo";
  platform::removeTree(staging);
  if (mkdir(staging.c_str(), 0777) != 0) return fail("cannot create " + staging.string() + ": " + strerror(errno));

  platform::CopyReport report;
  if (Status copied = platform::copyEntries(
          progs, staging, [&](const char* name) { return velmorin::lowerExtension(name) == extension; }, &report);
      !copied)
    return fail(copied.error());
  const std::uint64_t count = report.entries;

  if (renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, programs.c_str(), RENAME_EXCHANGE) == 0) {
    platform::removeTree(staging);  // the earlier program folder
  } else if (std::rename(staging.c_str(), programs.c_str()) != 0) {
    return fail("cannot move " + staging.string() + " to " + programs.string() + ": " + strerror(errno));
  }
  std::cout << "{\"count\":" << count << ",\"path\":\"" << programs.string() << "\"}\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string what = argv[1];

  if (what == "scan" && argc == 3) {
    const velmorin::Values values = velmorin::valuesForHome(argv[2]);
    std::cout << velmorin::compactJson(velmorin::scan(values, 0.0, std::nullopt)) << '\n';
    return 0;
  }
  if (what == "size" && argc == 3) {
    std::cout << velmorin::folderSize(argv[2]) << '\n';
    return 0;
  }
  if (what == "copy" && argc == 4) {
    platform::CopyReport report;
    if (Status copied = platform::copyTree(argv[2], argv[3], &report); !copied) return fail(copied.error());
    std::cout << "{\"files\":" << report.files << ",\"folders\":" << report.folders << ",\"links\":" << report.links
              << ",\"bytes\":" << report.bytes << "}\n";
    return 0;
  }
  if (what == "stage" && argc == 5) return stage(argv[2], argv[3], argv[4]);
  if (what == "archive" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "--top"))) {
    const auto layout = argc == 5 ? platform::ZipLayout::FolderAtTop : platform::ZipLayout::ContentsAtTop;
    if (Status written = platform::writeZipArchive(argv[2], argv[3], layout); !written) return fail(written.error());
    std::cout << velmorin::folderSize(argv[3]) << '\n';
    return 0;
  }
  return usage();
}
