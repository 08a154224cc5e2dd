#pragma once
// Copies a user's files and folders onto another disk (typically a USB stick)
// and removes them again, without following links out of the tree.
#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin::platform {

namespace fs = std::filesystem;

// What a copyTree call did; reset at the start of each call.
struct CopyReport {
  std::uint64_t entries = 0;  // what was asked for that got copied: 1 for copyTree
  std::uint64_t files = 0;    // regular files copied
  std::uint64_t folders = 0;  // folders created, the top one included
  std::uint64_t links = 0;    // symbolic links recreated
  std::uint64_t skipped = 0;  // FIFOs, sockets, device files and links left out
  std::uint64_t bytes = 0;    // file data copied
};

// Copies a file or a whole folder tree to `to`, which must not exist. Links
// inside the tree are recreated as links, never followed; `from` itself is
// followed when it is a link. FIFOs, sockets and devices inside the tree are
// skipped and counted. A FIFO, socket or device as `from` is a failure. On
// failure everything created under `to` is removed and the text names the
// file that failed: `Could not copy "<from>" to "<to>": <reason>`. A regular
// file's data goes by reflink or in-kernel copy where the file systems allow,
// else in chunks; its permission bits and modification time are kept where
// the target can store them (FAT cannot), and their loss is no failure.
//
// A `control` may stop the copy (the failure is Status::cancelled(), and what
// was made is removed as on any failure) and hears of the bytes copied and,
// from copyEntries, of each entry done.
//
// `shownTo` is the name failures give `to` (the place a temporary copy will
// take, say); `to` itself when empty.
Status copyTree(const fs::path& from, const fs::path& to, CopyReport* report = nullptr,
                WorkControl* control = nullptr, const fs::path& shownTo = {});

// Copies each entry of the folder `from` whose name `wanted` accepts into the
// existing folder `to`, as copyTree would copy it, except for links: at any
// depth a link is copied as the file it points to when that file lies inside
// `from` (resolved), and left out otherwise (a link to a folder, to a file
// elsewhere, to nothing), so that nothing from outside the chosen folder comes
// in. Links left out, FIFOs, sockets and devices are counted in `skipped`; `to`
// itself is left out. The folder is read as the copy goes, so memory does not
// grow with the number of its entries. On failure the entry being copied is
// removed again, the ones before it stay, and the text is copyTree's.
Status copyEntries(const fs::path& from, const fs::path& to, const std::function<bool(const char* name)>& wanted,
                   CopyReport* report = nullptr, WorkControl* control = nullptr, const fs::path& shownTo = {});

// Best-effort removal of a file, a link (not what it points to) or a folder
// with all its contents; read-only folders inside are made writable first.
// What cannot be removed stays.
void removeTree(const fs::path& path);

}  // namespace velmorin::platform
