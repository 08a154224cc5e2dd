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
#include <iostream>
#include <string>

#include "vocabulary/json_text.h"
#include "vocabulary/values.h"
#include "commands/commands.h"
#include "vocabulary/text.h"
#include "platform/change_journal.h"
#include "platform/file_checks.h"
#include "platform/file_copy.h"
#include "platform/zip_writer.h"
#include "vocabulary/failure_words.h"

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

// The install's copy of the programs and its swap, without the list and the
// archive: copy each top-level entry with the wanted extension into the
// staging folder, then put it in the program folder's place through the same
// journal (its sync included).
int stage(const fs::path& progs, const std::string& extension, const fs::path& modelFolder) {
  std::error_code ec;
  fs::create_directories(modelFolder, ec);
  if (ec) return fail("cannot create " + modelFolder.string() + ": " + ec.message());
  const std::string programs = "Programs (." + extension + ")";
  const platform::Replacement staged{"", ".nuevo", programs};
  platform::ChangeJournal journal(modelFolder);
  if (Status prepared = journal.prepare({staged}); !prepared) return fail(failureText(prepared, false));
  platform::CopyReport report;
  Status copied = platform::makeFolder(modelFolder / staged.temporary);
  if (copied)
    copied = platform::copyEntries(
        progs, modelFolder / staged.temporary,
        [&](const char* name) { return velmorin::lowerExtension(name) == extension; }, &report);
  if (!copied) {
    journal.abandon();
    return fail(failureText(copied, false));
  }
  if (const auto swapped = journal.commit(); !swapped) return fail(failureText(swapped, false));
  std::cout << "{\"count\":" << report.entries << ",\"path\":\"" << (modelFolder / programs).string() << "\"}\n";
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
    if (Status copied = platform::copyTree(argv[2], argv[3], &report); !copied) return fail(failureText(copied, false));
    std::cout << "{\"files\":" << report.files << ",\"folders\":" << report.folders << ",\"links\":" << report.links
              << ",\"bytes\":" << report.bytes << "}\n";
    return 0;
  }
  if (what == "stage" && argc == 5) return stage(argv[2], argv[3], argv[4]);
  if (what == "archive" && (argc == 4 || (argc == 5 && std::string(argv[4]) == "--top"))) {
    const auto layout = argc == 5 ? platform::ZipLayout::FolderAtTop : platform::ZipLayout::ContentsAtTop;
    if (Status written = platform::writeZipArchive(argv[2], argv[3], layout); !written) return fail(failureText(written, false));
    std::cout << velmorin::folderSize(argv[3]) << '\n';
    return 0;
  }
  return usage();
}
