#pragma once
// The words of failures. A Status keeps facts (a problem, an errno value, what
// was being done to which path, or the id of a text below with its words);
// they become a sentence in the user's language here and nowhere else, so a
// language more is a column more.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace velmorin {

// The failures the commands and the bridge tell in their own words. Each has
// one row in failure_table.cpp; `{0}`, `{1}`, ... stand for the words given
// to Status::said, in order.
enum class FailureText : std::uint16_t {
  Argument,       // the name of an argument that is missing or wrong, as it is
  AsGiven,        // a text that came with an exception, as it is
  InternalError,
  InternalErrorAbout,
  Closing,
  TooManyRequests,
  CannotShowFile,
  NoFolderToMeasure,
  SettingsTooLarge,
  CopyDoesNotMatch,
  ArchiveDidNotReadBack,
  CopiesNotChecked,
  NameTooLong,
  ListLinkOutside,
  DestinationInsideCopied,
  ProgramFolderInsideReplaced,
  DestinationNotValid,
  ModelNameNotFolder,
  ListNotCopyable,
  ExtensionNotFolder,
  ProgramFolderNotValid,
  FolderWhereArchiveGoes,
  ProgramUnreadable,
  ProgramInBackupUnreadable,
  FolderNotFound,
  TooManyToCompare,
  NeitherFolderNorBackup,
  NotFound,
  CollectionMissing,
  RestoredDidNotReadBack,
  BackupNotZip,
  ChooseRestoreSource,
  ChooseRestoreDestination,
  ChooseRestorePrograms,
  RestoreEntryNotText,
  NoSetListPrograms,
  SetListEmpty,
  SetListTooLong,
  SetListRowIncomplete,
  SetListFieldNotText,
  NoSetListFileName,
  NoSetListPlace,
  PathNotValid,
  FolderMissing,
  NotReplaceableBySetList,
  FileAlreadyThere,
  NotAFolder,
  TooManySetListsToday,
  NoFolderToPack,
  FolderNotValid,
  FolderWhereZipGoes,
  Count,  // not a text: how many there are
};

// The sentence that tells `failure` in English or in Spanish.
std::string failureText(const Status& failure, bool spanish);
template <class T>
std::string failureText(const StatusOr<T>& result, bool spanish) {
  return failureText(result.status(), spanish);
}

// One row's words with their placeholders, for a check that walks the table.
std::string_view failureTemplate(FailureText text, bool spanish);

}  // namespace velmorin
