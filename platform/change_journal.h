#pragma once
// Replaces several items of one folder together, so that after a kill or a
// power cut they are all the earlier ones or all the new ones.
//
// Each new item is first made complete under a temporary name beside the item
// it replaces. A journal in the base folder names the temporaries while they
// are made ("prepared"); once every one is complete and on disk it says so
// ("committed"), and only then do the new items take their places, the
// replaced ones going to the Trash. The next run in that folder reads what a
// killed run left: a prepared change is undone (its temporaries removed), a
// committed one is finished. The caller holds the base folder's lock.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/status.h"

namespace velmorin::platform {

namespace fs = std::filesystem;

// `temporary` takes the place of `target`; both are names inside `folder`,
// which is relative to the base folder ("" for the base itself).
struct Replacement {
  std::string folder;
  std::string temporary;
  std::string target;
};

// A short hidden name for a temporary item, unlike any other: the name it
// stands in for may already be as long as the file system allows.
std::string temporaryName();

class ChangeJournal {
 public:
  explicit ChangeJournal(fs::path base) : base_(std::move(base)) {}

  // Finishes or undoes what a run ended by force left in `base`. Gives the
  // number of items it moved to the Trash.
  static StatusOr<int> settle(const fs::path& base);

  // Records the temporaries about to be made. Call before making any.
  Status prepare(std::vector<Replacement> items);

  // Every temporary is complete: makes them durable, puts each in its
  // target's place (the replaced item to the Trash, or removed where the
  // volume has none) and then moves the regular files `retire` (names in the
  // base folder) to the Trash too. Gives the number of items trashed. A
  // failure part-way leaves the journal for the next run to finish.
  // The same as seal() followed by finish().
  StatusOr<int> commit(std::vector<std::string> retire = {});

  // The two halves of commit(): from seal() on, the change will be made,
  // by finish() or, after a kill, by the next settle().
  Status seal(std::vector<std::string> retire = {});
  StatusOr<int> finish();

  // Nothing is to change: removes the temporaries and the journal.
  void abandon();

  // The journal's own file, which anything that reads the base folder while
  // the change is made (an archive of it) should leave out.
  fs::path file() const;

 private:
  fs::path base_;
  std::vector<Replacement> items_;
  std::vector<std::string> retire_;
};

}  // namespace velmorin::platform
