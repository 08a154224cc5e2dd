#pragma once
// What an install checks of what it made before it reports success: every
// copied file against its source, and the new archive read back.
#include <cstdint>
#include <filesystem>
#include <thread>

#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin {

namespace fs = std::filesystem;

// The one copied file `copy` against `source`, byte for byte. Failures name
// the copy `shown`: where it will be, not its temporary name.
Status checkCopiedFile(const fs::path& source, const fs::path& copy, const fs::path& shown,
                       platform::WorkControl* control);

// A copied file, or a copied folder with everything in it, against its source.
Status checkCopiedItem(const fs::path& source, const fs::path& copy, const fs::path& shown,
                       platform::WorkControl* control);

// The copies below `copy` compared with their sources below `source`, on a
// thread of its own from construction on: the archive is made from them
// meanwhile, which leaves the cores partly idle. A program whose checksum
// holds needs only its header compared; anything else is compared byte for
// byte. It stops when `control` is cancelled and adds nothing to its progress.
class CopyCheck {
 public:
  CopyCheck(fs::path source, fs::path copy, fs::path shown, const platform::WorkControl* control);
  ~CopyCheck();  // waits for the comparison
  CopyCheck(const CopyCheck&) = delete;
  CopyCheck& operator=(const CopyCheck&) = delete;

  // Waits for the comparison; its failure names the copy that differs.
  [[nodiscard]] Status result();

 private:
  Status status_;
  std::thread thread_;
};

// Every entry of `archive` read back to its end, its CRC checked; the archive
// must hold `files` files. `shownAs` is the name failures give it.
Status checkArchive(const fs::path& archive, std::uint64_t files, const fs::path& shownAs,
                    platform::WorkControl* control);

}  // namespace velmorin
