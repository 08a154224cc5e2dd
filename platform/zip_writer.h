#pragma once
// Zip archives of a file or a folder tree: the install's copy of the programs
// and the zip command's export.
#include <filesystem>
#include <vector>

#include "platform/status.h"
#include "platform/work_control.h"

namespace velmorin::platform {

namespace fs = std::filesystem;

enum class ZipLayout {
  ContentsAtTop,  // "a.txt", "sub/", "sub/b.txt": the folder's own name is not stored
  FolderAtTop,    // "X/", "X/a.txt", "X/sub/", ...: the folder is the one top entry
};

// Writes `source` (a file or a folder; a link as `source` is followed) as the
// zip `archive`, deflated at level 6 on all cores (files that deflate would not
// shrink are stored). A file as `source` gives an archive of that one file
// whatever the layout. Memory use does not grow with the size of the files.
//
// Folders get their own "name/" entries; hidden files are included; links
// inside are stored as links, never followed; FIFOs, sockets and devices are
// left out. Modification times and permission bits are kept. Names that are
// valid UTF-8 are stored as such and flagged so (whatever the process's
// locale); other names are stored as their raw bytes without the flag. Zip64
// records appear only for entries and archives that need them (near or over
// 4 GiB, or 65535 entries and more).
//
// The archive is written to a hidden temporary file beside `archive`, synced,
// and renamed over `archive` only when complete: on failure the temporary file
// is removed and an earlier `archive` stays as it was. That temporary file and
// the earlier `archive` are left out when they lie inside `source`.
//
// Anything that cannot be read, at any depth, fails the whole archive: a
// silently partial copy of someone's only sound files would be data loss.
// Failure texts:
//   Could not archive "<source>": <reason>        (source missing or unopenable)
//   Could not read "<file or folder inside>": <reason>
//   Could not write archive "<archive>": <reason>
Status writeZipArchive(const fs::path& source, const fs::path& archive, ZipLayout layout);

// Writes the archive into the new file `file` (created; it must not exist)
// and syncs it, for a caller that puts it in place itself. `replaces` is the
// archive it is to become: failure texts name it, and neither it nor `file` is
// archived, nor any of `alsoLeaveOut` (the caller's own work files). On
// failure `file` is removed. A `control` may stop the writing between pieces
// (the failure is Status::cancelled()) and hears of each file and its bytes.
Status writeZipFile(const fs::path& source, const fs::path& file, ZipLayout layout, const fs::path& replaces,
                    const std::vector<fs::path>& alsoLeaveOut = {}, WorkControl* control = nullptr);

}  // namespace velmorin::platform
