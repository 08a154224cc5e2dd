#include "platform/file_copy.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/unique_fd.h"
#include "platform/whole_io.h"
#include "tests/platform/test_files.h"
#include "vocabulary/failure_words.h"

namespace velmorin::platform {
namespace {

std::string copyError(const fs::path& from, const fs::path& to, const std::string& reason) {
  return "Could not copy \"" + from.string() + "\" to \"" + to.string() + "\": " + reason;
}

struct stat statOf(const fs::path& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

class FileCopyTest : public ::testing::Test {
 protected:
  test::TempFolder temp;
  const std::string big = test::noise(5 * 128 * 1024 + 77);  // several read/write chunks
};

TEST_F(FileCopyTest, CopiesDataPermissionBitsAndTime) {
  test::writeFile(temp / "A.ns3f", big);
  chmod((temp / "A.ns3f").c_str(), 0640);
  test::setModified(temp / "A.ns3f", 1500000000, 123456789);
  const mode_t savedMask = umask(077);  // the bits come from the source, not the umask
  const Status copied = copyTree(temp / "A.ns3f", temp / "B.ns3f");
  umask(savedMask);
  ASSERT_TRUE(copied) << failureText(copied, false);
  EXPECT_TRUE(test::readFile(temp / "B.ns3f") == big) << "content differs";
  EXPECT_EQ(statOf(temp / "B.ns3f").st_mode & 07777, 0640u);
  EXPECT_TRUE(sameTime(statOf(temp / "B.ns3f").st_mtim, statOf(temp / "A.ns3f").st_mtim));

  test::writeFile(temp / "empty", "");
  ASSERT_TRUE(copyTree(temp / "empty", temp / "empty copy"));
  EXPECT_EQ(test::readFile(temp / "empty copy"), "");
}

TEST_F(FileCopyTest, FallsBackToReadingWhereTheKernelCannotCopy) {
  // Virtual files claim size 0 yet have data.
  ASSERT_TRUE(copyTree("/proc/version", temp / "version"));
  EXPECT_EQ(test::readFile(temp / "version"), test::readFile("/proc/version"));
  // Between file system types the in-kernel copy may refuse (EXDEV).
  if (access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no /dev/shm";
  const test::TempFolder inMemory("/dev/shm");
  test::writeFile(inMemory / "A.ns3f", big);
  ASSERT_TRUE(copyTree(inMemory / "A.ns3f", temp / "A.ns3f"));
  EXPECT_TRUE(test::readFile(temp / "A.ns3f") == big) << "content differs";
}

// The library's walk leaves its files non-blocking; a pipe stands in for a
// file system that honours that on regular files.
TEST(ReadUntilFullOrEnd, WaitsOnADescriptorOpenedWithoutBlocking) {
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
  UniqueFd reading(ends[0]);
  UniqueFd writing(ends[1]);
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(write(writing.get(), "late", 4), 4);
    writing = UniqueFd();
  });
  char got[8] = {};
  EXPECT_EQ(readUntilFullOrEnd(reading.get(), got, sizeof got), 4);
  late.join();
  EXPECT_EQ(std::string_view(got, 4), "late");
}

TEST_F(FileCopyTest, RefusalsNameBothFilesAndLeaveNothingBehind) {
  test::writeFile(temp / "A", "new");
  test::writeFile(temp / "B", "existing");
  EXPECT_EQ(failureText(copyTree(temp / "A", temp / "B"), false), copyError(temp / "A", temp / "B", "File exists"));
  EXPECT_EQ(test::readFile(temp / "B"), "existing");
  EXPECT_EQ(failureText(copyTree(temp / "gone", temp / "C"), false),
            copyError(temp / "gone", temp / "C", "No such file or directory"));
  ASSERT_EQ(mkfifo((temp / "fifo").c_str(), 0644), 0);  // must not wait for a writer
  EXPECT_EQ(failureText(copyTree(temp / "fifo", temp / "C"), false),
            copyError(temp / "fifo", temp / "C", "it is neither a regular file nor a folder"));
  EXPECT_EQ(test::listing(temp.path()), (std::vector<std::string>{"A", "B", "fifo"}));
}

TEST_F(FileCopyTest, FullDiskRemovesThePartialCopy) {
  test::writeFile(temp / "A.ns3f", big);
  fs::create_directories(temp / "tree" / "sub");
  test::writeFile(temp / "tree" / "small", "s");
  test::writeFile(temp / "tree" / "sub" / "A.ns3f", big);
  const test::FileSizeLimit limit(100000);
  EXPECT_EQ(failureText(copyTree(temp / "A.ns3f", temp / "B.ns3f"), false),
            copyError(temp / "A.ns3f", temp / "B.ns3f", "File too large"));
  EXPECT_FALSE(fs::exists(temp / "B.ns3f"));
  EXPECT_EQ(failureText(copyTree(temp / "tree", temp / "copy"), false),
            copyError(temp / "tree" / "sub" / "A.ns3f", temp / "copy" / "sub" / "A.ns3f", "File too large"));
  EXPECT_FALSE(fs::exists(temp / "copy"));
}

class CopyTreeTest : public FileCopyTest {
 protected:
  void SetUp() override {
    // tree/{.hidden, a.txt, empty/, locked/(0555){x}, sub/{deep/{big}}, links..., fifo}
    fs::create_directories(tree / "sub" / "deep");
    fs::create_directories(tree / "empty");
    fs::create_directories(tree / "locked");
    fs::create_directories(temp / "outside");
    test::writeFile(tree / ".hidden", "h");
    test::writeFile(tree / "a.txt", "alpha");
    test::writeFile(tree / "locked" / "x", "x");
    test::writeFile(tree / "sub" / "deep" / "big", big);
    test::writeFile(temp / "outside" / "keep", "keep");
    fs::create_symlink("../a.txt", tree / "sub" / "relative");
    fs::create_symlink(temp / "outside", tree / "escape");
    fs::create_symlink("nowhere", tree / "dangling");
    fs::create_symlink(".", tree / "loop");
    ASSERT_EQ(mkfifo((tree / "fifo").c_str(), 0644), 0);
    chmod((tree / "locked").c_str(), 0555);
    test::setModified(tree / "sub", 1400000000, 5);
  }
  const fs::path tree = temp / "tree";
};

TEST_F(CopyTreeTest, CopiesFoldersFilesAndLinksAsLinksSkippingFifos) {
  CopyReport report;
  report.skipped = 99;  // a report starts from zero
  const Status copied = copyTree(tree, temp / "copy", &report);
  ASSERT_TRUE(copied) << failureText(copied, false);
  const fs::path copy = temp / "copy";
  EXPECT_EQ(test::listing(copy), (std::vector<std::string>{".hidden", "a.txt", "dangling", "empty", "escape",
                                                           "locked", "loop", "sub"}));
  EXPECT_TRUE(test::readFile(copy / "sub" / "deep" / "big") == big) << "content differs";
  EXPECT_EQ(test::readFile(copy / "locked" / "x"), "x");
  EXPECT_EQ(fs::read_symlink(copy / "sub" / "relative"), "../a.txt");
  EXPECT_EQ(fs::read_symlink(copy / "escape"), temp / "outside");
  EXPECT_EQ(fs::read_symlink(copy / "dangling"), "nowhere");
  EXPECT_EQ(fs::read_symlink(copy / "loop"), ".");
  EXPECT_EQ(statOf(copy / "locked").st_mode & 07777, 0555u);
  EXPECT_TRUE(sameTime(statOf(copy / "sub").st_mtim, statOf(tree / "sub").st_mtim));
  EXPECT_EQ(report.files, 4u);
  EXPECT_EQ(report.folders, 5u);
  EXPECT_EQ(report.links, 4u);
  EXPECT_EQ(report.skipped, 1u);
  EXPECT_EQ(report.bytes, big.size() + 7);
}

TEST_F(CopyTreeTest, FollowsOnlyTheTopLink) {
  fs::create_symlink(tree, temp / "shortcut");
  ASSERT_TRUE(copyTree(temp / "shortcut", temp / "copy"));
  EXPECT_FALSE(fs::is_symlink(temp / "copy"));
  EXPECT_TRUE(fs::is_symlink(temp / "copy" / "escape"));
  EXPECT_EQ(test::readFile(temp / "copy" / "a.txt"), "alpha");
}

TEST_F(CopyTreeTest, CopyInsideItsOwnSourceDoesNotRecurse) {
  const Status copied = copyTree(tree, tree / "sub" / "copy");
  ASSERT_TRUE(copied) << failureText(copied, false);
  EXPECT_EQ(test::listing(tree / "sub" / "copy" / "sub"), (std::vector<std::string>{"deep", "relative"}));
}

TEST_F(CopyTreeTest, RefusesAnExistingTargetAndAFifoAsSource) {
  fs::create_directory(temp / "copy");
  EXPECT_EQ(failureText(copyTree(tree, temp / "copy"), false), copyError(tree, temp / "copy", "File exists"));
  EXPECT_TRUE(fs::is_empty(temp / "copy"));
  EXPECT_EQ(failureText(copyTree(tree / "fifo", temp / "other"), false),
            copyError(tree / "fifo", temp / "other", "it is neither a regular file nor a folder"));
  EXPECT_FALSE(fs::exists(temp / "other"));
}

// The install's way of copying: the wanted top-level entries of a folder, read
// as the copy goes.
TEST_F(CopyTreeTest, CopyEntriesTakesTheWantedEntriesAndOnlyLinkedFilesFromInside) {
  const fs::path progs = temp / "progs";
  fs::create_directories(progs / "Bank.NS3F" / "inner");
  test::writeFile(progs / "Bank.NS3F" / "inner" / "x", "x");
  test::writeFile(progs / "a.ns3f", big);
  test::writeFile(progs / "notes.txt", "no");
  test::writeFile(temp / "secret", "key");
  // Links copied as their files only when those lie inside the chosen folder,
  // at any depth; everything else they could bring in is left out and counted.
  fs::create_symlink("notes.txt", progs / "alias.ns3f");
  fs::create_symlink("../../notes.txt", progs / "Bank.NS3F" / "inner" / "up");
  fs::create_symlink(tree / "a.txt", progs / "linked.ns3f");          // a file outside
  fs::create_symlink("../secret", progs / "Bank.NS3F" / "secret");     // a file outside, below
  fs::create_directory_symlink(tree, progs / "folder.ns3f");          // a folder outside
  fs::create_directory_symlink("..", progs / "Bank.NS3F" / "up.ns3f");  // a folder inside
  fs::create_symlink("nowhere", progs / "broken.ns3f");
  ASSERT_EQ(mkfifo((progs / "pipe.ns3f").c_str(), 0644), 0);          // never opened
  const fs::path staging = progs / "staging.ns3f";                    // the target inside its source
  fs::create_directory(staging);
  const auto wanted = [](const char* name) {
    const std::string_view text(name);
    return text.size() > 5 && (text.ends_with(".ns3f") || text.ends_with(".NS3F"));
  };
  CopyReport report;
  const Status copied = copyEntries(progs, staging, wanted, &report);
  ASSERT_TRUE(copied) << failureText(copied, false);
  EXPECT_EQ(test::listing(staging), (std::vector<std::string>{"Bank.NS3F", "a.ns3f", "alias.ns3f"}));
  EXPECT_EQ(test::listing(staging / "Bank.NS3F" / "inner"), (std::vector<std::string>{"up", "x"}));
  EXPECT_EQ(test::listing(staging / "Bank.NS3F"), (std::vector<std::string>{"inner"}));
  EXPECT_TRUE(test::readFile(staging / "a.ns3f") == big) << "content differs";
  EXPECT_FALSE(fs::is_symlink(staging / "alias.ns3f"));
  EXPECT_EQ(test::readFile(staging / "alias.ns3f"), "no");
  EXPECT_EQ(test::readFile(staging / "Bank.NS3F" / "inner" / "up"), "no");
  EXPECT_EQ(report.entries, 3u);
  EXPECT_EQ(report.files, 4u);
  EXPECT_EQ(report.skipped, 6u);

  // A failure names the entry, removes its partial copy and keeps the ones before.
  const fs::path second = temp / "second";
  fs::create_directory(second);
  fs::create_directory(second / "a.ns3f");  // in the way of one of them
  const Status blocked = copyEntries(progs, second, wanted, &report);
  EXPECT_EQ(failureText(blocked, false), copyError(progs / "a.ns3f", second / "a.ns3f", "File exists"));
  EXPECT_TRUE(fs::is_empty(second / "a.ns3f"));
  EXPECT_EQ(failureText(copyEntries(temp / "missing", second, wanted), false),
            "Could not list folder \"" + (temp / "missing").string() + "\": No such file or directory");
}

// Folders are copied and removed as their listings are read: every entry of a
// folder bigger than one read of the kernel's listing must still be handled,
// and so must the unlinking while the same folder is being read.
TEST_F(CopyTreeTest, BigFoldersAreCopiedAndRemovedWhole) {
  const fs::path source = temp / "big";
  fs::create_directories(source / "sub");
  constexpr int kFiles = 3000;  // names of ~40 bytes: several 32 KiB reads
  for (int i = 0; i < kFiles; ++i)
    test::writeFile(source / ("Program number " + std::to_string(100000 + i) + " of the bank.ns3f"), std::to_string(i));
  for (int i = 0; i < 40; ++i) fs::create_directory(source / "sub" / ("f" + std::to_string(i)));
  CopyReport report;
  ASSERT_TRUE(copyTree(source, temp / "copy", &report));
  EXPECT_EQ(report.files, static_cast<std::uint64_t>(kFiles));
  EXPECT_EQ(report.folders, 42u);
  EXPECT_EQ(test::listing(temp / "copy"), test::listing(source));
  EXPECT_EQ(test::readFile(temp / "copy" / "Program number 102999 of the bank.ns3f"), "2999");
  removeTree(temp / "copy");
  EXPECT_FALSE(fs::exists(temp / "copy"));
}

TEST_F(CopyTreeTest, RemoveTreeRemovesReadOnlyFoldersButNothingLinkedFromOutside) {
  fs::permissions(temp.path(), fs::perms::all);
  chmod((tree / "locked").c_str(), 0755);
  chmod(tree.c_str(), 0777);
  {
    // As its owner, not as root, for the permission bits to matter.
    const test::WithoutRoot user;
    ASSERT_TRUE(copyTree(tree, temp / "copy"));
    ASSERT_EQ(chmod((temp / "copy" / "locked").c_str(), 0), 0);
    ASSERT_EQ(chmod((temp / "copy" / "sub").c_str(), 0555), 0);
    removeTree(temp / "copy");
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(temp / "copy")));
  EXPECT_EQ(test::readFile(temp / "outside" / "keep"), "keep");

  fs::create_symlink(tree, temp / "shortcut");  // a link as the path: only the link goes
  removeTree(temp / "shortcut");
  EXPECT_FALSE(fs::exists(fs::symlink_status(temp / "shortcut")));
  EXPECT_TRUE(fs::exists(tree / "a.txt"));
  removeTree(tree / "a.txt");
  EXPECT_FALSE(fs::exists(tree / "a.txt"));
  removeTree(temp / "never existed");
}

}  // namespace
}  // namespace velmorin::platform
