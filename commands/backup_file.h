#pragma once
// A file named by its path, opened the one safe way: its folder first, then
// the file itself only when it is a regular file (never a FIFO waited on,
// never a link followed out of its folder). Backups are such files that begin
// as a ZIP archive.
#include <filesystem>
#include <functional>
#include <optional>

#include "commands/backup_check.h"
#include "platform/folder_reader.h"
#include "platform/status.h"
#include "platform/zip_entries.h"

namespace velmorin {

// `path` open for reading; std::nullopt when it is not a regular file; a
// failure when its folder or the file cannot be opened.
StatusOr<std::optional<platform::OpenedFile>> openFileAt(const std::filesystem::path& path);

// `path` open for reading when it is a regular file that begins as a ZIP
// archive; std::nullopt when it is anything else; a failure as openFileAt.
StatusOr<std::optional<platform::OpenedFile>> openBackup(const std::filesystem::path& path);

// Calls `visit` for each entry of the opened backup, within `limits`.
platform::ZipFault forEachBackupEntry(
    const platform::OpenedFile& backup,
    const std::function<bool(const platform::ZipEntry& entry, const platform::ZipEntryReader& data)>& visit,
    const platform::ZipLimits& limits = kBackupLimits);

}  // namespace velmorin
