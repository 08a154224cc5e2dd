// The Trash as the file manager reads it: each item under files/ with an info
// file that records where it came from, and a clashing name numbered outside
// the name's brackets and before its extension, never inside them.
#include "platform/trash.h"

#include <gtest/gtest.h>

#include "support/private_trash.h"
#include "tests/platform/test_files.h"

namespace velmorin::platform {
namespace {

namespace fs = std::filesystem;

TEST(Trash, ClashingNamesAreNumberedOutsideBracketsAndRecordWhereTheyCameFrom) {
  const fs::path base = fs::path(::testing::TempDir()) / "velmorin-trash-test" / "Nord Stage 3 (ñ, 100%)";
  fs::remove_all(base.parent_path());
  const auto before = testing::trashedItems();
  std::map<std::string, std::string> expected;
  for (int round = 1; round <= 3; ++round) {
    fs::create_directories(base / "Programs (.ns3f)");
    test::writeFile(base / "Programs (.ns3f)" / "Pad.ns3f", "round " + std::to_string(round));
    test::writeFile(base / "Nord Stage 3 Programs 2026-06-14.zip", "zip");
    test::writeFile(base / "README", "text");
    ASSERT_TRUE(moveToTrash(base / "Programs (.ns3f)"));
    ASSERT_TRUE(moveToTrash(base / "Nord Stage 3 Programs 2026-06-14.zip"));
    ASSERT_TRUE(moveToTrash(base / "README"));
    const std::string n = round == 1 ? "" : " " + std::to_string(round);
    expected["Programs (.ns3f)" + n] = (base / "Programs (.ns3f)").string();
    expected["Nord Stage 3 Programs 2026-06-14" + n + ".zip"] = (base / "Nord Stage 3 Programs 2026-06-14.zip").string();
    expected["README" + n] = (base / "README").string();
  }
  EXPECT_FALSE(fs::exists(base / "Programs (.ns3f)"));
  auto after = testing::trashedItems();
  for (const auto& [name, from] : before) after.erase(name);
  EXPECT_EQ(after, expected);
  // Each item whole, the last one trashed under the highest number.
  EXPECT_EQ(test::readFile(testing::privateTrash() / "files" / "Programs (.ns3f) 3" / "Pad.ns3f"), "round 3");
  fs::remove_all(base.parent_path());
}

TEST(Trash, AnItemThatIsNotThereIsNotMoved) {
  EXPECT_FALSE(moveToTrash(fs::path(::testing::TempDir()) / "velmorin-no-such-item"));
}

}  // namespace
}  // namespace velmorin::platform
