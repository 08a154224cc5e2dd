#pragma once
// Questions asked before anything is changed, so that a command can refuse
// with a clear reason rather than fail half-way, and folders made for a change
// that is then given up can be taken away again.
#include <filesystem>
#include <vector>

#include "platform/folder.h"
#include "platform/status.h"

namespace velmorin::platform {

namespace fs = std::filesystem;

// What stands at `path`; a link is not followed.
EntryKind kindOf(const fs::path& path);

// Whether `path` is a folder, or a link to one.
bool isFolder(const fs::path& path);

// `path` itself when something is there, else its closest parent that exists.
fs::path nearestExisting(const fs::path& path);

// The longest file name, in bytes, that the file system of the existing
// `folder` takes (255 on most).
std::size_t nameLimit(const fs::path& folder);

// Whether entries can be made and removed in the existing `folder`:
//   Could not write to "<folder>": Permission denied   (or Read-only file system)
Status checkWritable(const fs::path& folder);

// Whether `folder` (a link to one is followed) can be opened and listed:
//   Could not list folder "<folder>": No such file or directory
Status checkReadableFolder(const fs::path& folder);

// Creates `folder` and its missing parents. Gives the folders it made, the
// outermost first, so that removeMadeFolders can take them away again.
StatusOr<std::vector<fs::path>> makeFolders(const fs::path& folder);

// Creates the one new folder `folder`, whose parent exists.
Status makeFolder(const fs::path& folder);

// Removes the folders makeFolders made, innermost first, as far as they are empty.
void removeMadeFolders(const std::vector<fs::path>& made);

}  // namespace velmorin::platform
