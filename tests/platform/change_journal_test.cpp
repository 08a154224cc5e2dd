// A change stopped at any step (a kill, a power cut) is undone or finished by
// the next settle, so the items are all the earlier ones or all the new ones.
#include "platform/change_journal.h"

#include <gtest/gtest.h>

#include "support/private_trash.h"
#include "tests/platform/test_files.h"
#include "vocabulary/failure_words.h"

namespace velmorin::platform {
namespace {

class ChangeJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(base / "lists");
    fs::create_directories(base / "programs");
    test::writeFile(base / "lists/list.html", "old");
    test::writeFile(base / "programs/p", "old");
    test::writeFile(base / "archive.zip", "old");
    test::writeFile(base / "older.zip", "older");
    items = {{"lists", temporaryName(), "list.html"}, {"", temporaryName(), "programs"},
             {"", temporaryName(), "archive.zip"}};
  }

  fs::path place(const Replacement& item, bool temporary) const {
    return (item.folder.empty() ? base : base / item.folder) / (temporary ? item.temporary : item.target);
  }

  void makeTemporaries() {
    test::writeFile(place(items[0], true), "new");
    fs::create_directory(place(items[1], true));
    test::writeFile(place(items[1], true) / "p", "new");
    test::writeFile(place(items[2], true), "new");
  }

  // "old", "new", or "mix" when the items disagree.
  std::string state() const {
    const std::string list = test::readFile(base / "lists/list.html");
    const std::string programs = test::readFile(base / "programs/p");
    const std::string archive = test::readFile(base / "archive.zip");
    return list == programs && programs == archive ? list : "mix";
  }

  // Only the items themselves: no temporaries, nothing set aside, no journal.
  void expectNothingElse() const {
    EXPECT_EQ(test::listing(base / "lists"), std::vector<std::string>{"list.html"});
    for (const auto& name : test::listing(base)) EXPECT_TRUE(name[0] != '.') << name;
  }

  test::TempFolder temp;
  fs::path base = temp / "base";
  std::vector<Replacement> items;
};

TEST_F(ChangeJournalTest, AChangeStoppedBeforeItsSealIsUndone) {
  ChangeJournal journal(base);
  ASSERT_TRUE(journal.prepare(items));
  makeTemporaries();
  // Killed here: the next run in the folder finds the journal.
  const auto settled = ChangeJournal::settle(base);
  ASSERT_TRUE(settled) << failureText(settled, false);
  EXPECT_EQ(*settled, 0);
  EXPECT_EQ(state(), "old");
  EXPECT_TRUE(fs::exists(base / "older.zip"));
  expectNothingElse();
}

TEST_F(ChangeJournalTest, AChangeStoppedAfterItsSealIsFinishedFromAnyStep) {
  for (std::size_t done = 0; done <= items.size(); ++done) {
    SetUp();
    ChangeJournal journal(base);
    ASSERT_TRUE(journal.prepare(items));
    makeTemporaries();
    ASSERT_TRUE(journal.seal({"older.zip"}));
    // The steps a finishing run took before it was killed: `done` items in
    // place, and the next one's earlier item already gone to the Trash.
    for (std::size_t i = 0; i < done; ++i) {
      fs::remove_all(place(items[i], false));
      fs::rename(place(items[i], true), place(items[i], false));
    }
    if (done < items.size()) {
      fs::remove_all(place(items[done], false));
      EXPECT_EQ(state(), "mix");
    }

    const auto trashedBefore = testing::trashedItems().size();
    const auto settled = ChangeJournal::settle(base);
    ASSERT_TRUE(settled) << failureText(settled, false);
    EXPECT_EQ(state(), "new") << done << " steps done";
    const int stillInPlace = done < items.size() ? static_cast<int>(items.size() - done - 1) : 0;
    EXPECT_EQ(*settled, stillInPlace + 1) << "the earlier items still in place, and the older archive";
    EXPECT_EQ(testing::trashedItems().size(), trashedBefore + *settled);
    EXPECT_FALSE(fs::exists(base / "older.zip"));
    expectNothingElse();
    // Settling again changes nothing.
    EXPECT_EQ(*ChangeJournal::settle(base), 0);
    EXPECT_EQ(state(), "new");
    fs::remove_all(base);
  }
}

TEST_F(ChangeJournalTest, AJournalThatCannotBeReadIsDroppedAndAnUnsealedOneLeavesNoTemporaries) {
  test::writeFile(base / ".velmorin-journal", "velmorin-journal 1\ncommitted\nR 3:abc");
  EXPECT_EQ(*ChangeJournal::settle(base), 0);
  EXPECT_EQ(state(), "old");
  expectNothingElse();

  // Names with line breaks and spaces survive the journal.
  items[0].target = "list\nwith break.html";
  ChangeJournal journal(base);
  ASSERT_TRUE(journal.prepare(items));
  makeTemporaries();
  const auto trashed = journal.commit();
  ASSERT_TRUE(trashed) << failureText(trashed, false);
  EXPECT_EQ(test::readFile(base / "lists/list\nwith break.html"), "new");
  EXPECT_EQ(test::readFile(base / "programs/p"), "new");
}

}  // namespace
}  // namespace velmorin::platform
