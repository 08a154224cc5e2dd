#include "platform/zip_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "tests/platform/test_files.h"
#include "vocabulary/failure_words.h"

namespace velmorin::platform {
namespace {

using test::run;
using test::shellQuoted;

const std::string kUtf8Name = "\xC3\x84rger \xC3\xB1 \xE6\x97\xA5\xE6\x9C\xAC.ns3p";  // "Ärger ñ 日本.ns3p"
const std::string kLatin1Name = "Canci\xF3n.ns3p";                                     // not UTF-8

std::vector<std::string> entries(const fs::path& archive) {
  std::vector<std::string> names;
  std::istringstream lines(run("unzip -Z1 " + shellQuoted(archive)).output);
  for (std::string line; std::getline(lines, line);) names.push_back(line);
  std::sort(names.begin(), names.end());
  return names;
}

bool archiveTestsClean(const fs::path& archive) { return run("unzip -tq " + shellQuoted(archive)).exitCode == 0; }

// bsdtar (libarchive) and 7-Zip check every member's data too, each reading
// the deflate streams in its own way (Python's zipfile accepts a last block
// without its final bit).
bool otherReadersTestClean(const fs::path& archive) {
  return run("bsdtar -xOf " + shellQuoted(archive) + " >/dev/null").exitCode == 0 &&
         run("7zz t " + shellQuoted(archive)).exitCode == 0;
}

std::string member(const fs::path& archive, const std::string& name) {
  return run("unzip -p " + shellQuoted(archive) + " " + shellQuoted(name)).output;
}

// Per raw name: general purpose flags, version needed and whether a Zip64
// record is present, as Python's zipfile reads the central directory.
struct EntryInfo {
  int flags = 0, version = 0;
  bool zip64 = false;
};
std::map<std::string, EntryInfo> centralDirectory(const fs::path& archive) {
  const char* script = R"(import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    raw = i.orig_filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
    ids, x = [], i.extra
    while len(x) >= 4:
        ids.append(int.from_bytes(x[0:2], 'little')); x = x[4 + int.from_bytes(x[2:4], 'little'):]
    print(raw.hex(), i.flag_bits, i.extract_version, int(1 in ids)))";
  // The system's Python starts fastest; any python3 on PATH will do.
  const std::string python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  const test::CommandResult listed = run(python + " -c " + shellQuoted(script) + " " + shellQuoted(archive));
  std::map<std::string, EntryInfo> result;
  std::istringstream lines(listed.output);
  for (std::string hex; lines >> hex;) {
    EntryInfo info;
    lines >> info.flags >> info.version >> info.zip64;
    std::string raw;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) raw += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    result[raw] = info;
  }
  EXPECT_EQ(listed.exitCode, 0) << "Python 3's zipfile could not read " << archive << " (or is missing)";
  return result;
}

// Python's zipfile reads every member back and checks its CRC. Returns the
// number of entries, or -1 when a member is corrupt or the archive unreadable.
int entriesVerifiedByPython(const fs::path& archive) {
  const char* script = R"(import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(len(z.infolist()) if z.testzip() is None else -1))";
  const std::string python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  const test::CommandResult checked = run(python + " -c " + shellQuoted(script) + " " + shellQuoted(archive));
  return checked.exitCode == 0 ? std::stoi(checked.output) : -1;
}

// Whether the archive ends with Zip64 end records (needed past 65534 entries or 4 GiB).
bool hasZip64End(const fs::path& archive) {
  const std::string bytes = test::readFile(archive);
  const std::string tail = bytes.substr(bytes.size() - std::min<std::size_t>(bytes.size(), 22 + 76));
  return tail.find(std::string("PK\x06\x06", 4)) != std::string::npos &&
         tail.find(std::string("PK\x06\x07", 4)) != std::string::npos;
}

// Where trees of many thousand files are quick to make and remove: memory
// when the system offers it, so that a busy disk does not slow the test.
fs::path quickFolder() {
  return access("/dev/shm", W_OK | X_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// Text that deflates well, unlike test::noise.
std::string prose(std::size_t size, unsigned seed) {
  static const char* const words[] = {"keyboard ", "program ", "sound ", "patch ", "organ ",
                                      "piano ",    "synth ",   "layer ", "split ", "velocity\n"};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += words[random() % 10];
  text.resize(size);
  return text;
}

class ZipWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // X/{.hidden, a.txt, empty/, sub/{b.txt, deeper/c.bin}, link, loop, fifo, <UTF-8 name>}
    fs::create_directories(source / "sub" / "deeper");
    fs::create_directory(source / "empty");
    test::writeFile(source / "a.txt", "alpha");
    test::writeFile(source / ".hidden", "");
    test::writeFile(source / "sub" / "b.txt", "beta");
    test::writeFile(source / "sub" / "deeper" / "c.bin", big);
    test::writeFile(source / kUtf8Name, "utf8");
    fs::create_symlink("a.txt", source / "link");
    fs::create_symlink(".", source / "loop");
    ASSERT_EQ(mkfifo((source / "fifo").c_str(), 0644), 0);
    chmod((source / "a.txt").c_str(), 0751);
    test::setModified(source / "a.txt", 1614834368);  // 2021-03-04
  }

  test::TempFolder temp;
  const fs::path source = temp / "X";
  const fs::path archive = temp / "out.zip";
  const std::string big = test::noise(3 * 65536 + 123);  // several chunks, a partial last one
};

TEST_F(ZipWriterTest, FolderAtTopStoresTheFolderAndEverythingInIt) {
  const Status written = writeZipArchive(source, archive, ZipLayout::FolderAtTop);
  ASSERT_TRUE(written) << failureText(written, false);
  EXPECT_EQ(entries(archive), (std::vector<std::string>{"X/", "X/.hidden", "X/a.txt", "X/empty/", "X/link", "X/loop",
                                                         "X/sub/", "X/sub/b.txt", "X/sub/deeper/",
                                                         "X/sub/deeper/c.bin", "X/" + kUtf8Name}));
  EXPECT_TRUE(archiveTestsClean(archive));
  EXPECT_TRUE(member(archive, "X/sub/deeper/c.bin") == big) << "content differs";
  EXPECT_EQ(member(archive, "X/" + kUtf8Name), "utf8");

  // Extracted: links as links, permission bits and times as they were.
  const fs::path out = temp / "extracted";
  ASSERT_EQ(run("unzip -q " + shellQuoted(archive) + " -d " + shellQuoted(out)).exitCode, 0);
  EXPECT_EQ(fs::read_symlink(out / "X" / "link"), "a.txt");
  EXPECT_EQ(fs::read_symlink(out / "X" / "loop"), ".");
  struct stat st;
  ASSERT_EQ(stat((out / "X" / "a.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0751u);
  EXPECT_EQ(st.st_mtime, 1614834368);

  // Only non-ASCII names carry the UTF-8 flag; small entries need no Zip64.
  const auto directory = centralDirectory(archive);
  ASSERT_EQ(directory.size(), 11u);
  for (const auto& [name, info] : directory) {
    EXPECT_EQ((info.flags & 0x800) != 0, name == "X/" + kUtf8Name) << name;
    EXPECT_LE(info.version, 20) << name;
    EXPECT_FALSE(info.zip64) << name;
  }
  EXPECT_FALSE(hasZip64End(archive));
  EXPECT_EQ(entriesVerifiedByPython(archive), 11);
}

TEST_F(ZipWriterTest, ContentsAtTopLeavesOutTheFolderName) {
  const Status written = writeZipArchive(source, archive, ZipLayout::ContentsAtTop);
  ASSERT_TRUE(written) << failureText(written, false);
  EXPECT_EQ(entries(archive), (std::vector<std::string>{".hidden", "a.txt", "empty/", "link", "loop", "sub/",
                                                         "sub/b.txt", "sub/deeper/", "sub/deeper/c.bin", kUtf8Name}));
  EXPECT_EQ(member(archive, "sub/b.txt"), "beta");
}

TEST_F(ZipWriterTest, SingleFileOrSlashSpellingStoresJustThatName) {
  for (const ZipLayout layout : {ZipLayout::ContentsAtTop, ZipLayout::FolderAtTop}) {
    ASSERT_TRUE(writeZipArchive(source / "sub" / "deeper" / "c.bin", archive, layout));
    EXPECT_EQ(entries(archive), std::vector<std::string>{"c.bin"});
    EXPECT_TRUE(member(archive, "c.bin") == big) << "content differs";
  }
  ASSERT_TRUE(writeZipArchive(source.string() + "/sub/", archive, ZipLayout::FolderAtTop));
  EXPECT_EQ(entries(archive), (std::vector<std::string>{"sub/", "sub/b.txt", "sub/deeper/", "sub/deeper/c.bin"}));
}

TEST_F(ZipWriterTest, NamesAreFlaggedByTheirBytesWhateverTheLocale) {
  test::writeFile(source / kLatin1Name, "latin1");
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  for (const char* locale : {"C", "C.UTF-8"}) {
    if (!std::setlocale(LC_ALL, locale)) continue;
    const Status written = writeZipArchive(source, archive, ZipLayout::ContentsAtTop);
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_TRUE(written) << failureText(written, false);
    const auto directory = centralDirectory(archive);
    ASSERT_TRUE(directory.count(kUtf8Name) && directory.count(kLatin1Name)) << locale;
    EXPECT_TRUE(directory.at(kUtf8Name).flags & 0x800) << locale;
    EXPECT_FALSE(directory.at(kLatin1Name).flags & 0x800) << locale;
    EXPECT_TRUE(archiveTestsClean(archive));
    // unzip writes the raw bytes back.
    const fs::path out = temp / (std::string("extracted-") + locale);
    ASSERT_EQ(run("unzip -q " + shellQuoted(archive) + " -d " + shellQuoted(out)).exitCode, 0);
    EXPECT_EQ(test::readFile(out / kLatin1Name), "latin1");
    EXPECT_EQ(test::readFile(out / kUtf8Name), "utf8");
  }
}

TEST_F(ZipWriterTest, ArchiveInsideItsSourceLeavesOutItselfAndTheOneItReplaces) {
  const fs::path inside = source / "sub" / "Velmorin.zip";
  test::writeFile(inside, "an earlier archive");
  const Status written = writeZipArchive(source / "sub", inside, ZipLayout::ContentsAtTop);
  ASSERT_TRUE(written) << failureText(written, false);
  EXPECT_EQ(entries(inside), (std::vector<std::string>{"b.txt", "deeper/", "deeper/c.bin"}));
  EXPECT_EQ(test::listing(source / "sub"), (std::vector<std::string>{"Velmorin.zip", "b.txt", "deeper"}));
}

TEST_F(ZipWriterTest, NewArchiveGetsTheUsualPermissionsNotOwnerOnly) {
  const mode_t savedMask = umask(022);
  const Status written = writeZipArchive(source, archive, ZipLayout::FolderAtTop);
  umask(savedMask);
  ASSERT_TRUE(written) << failureText(written, false);
  EXPECT_EQ(fs::status(archive).permissions(), fs::perms(0644));
}

TEST_F(ZipWriterTest, FailuresNameTheFileAndKeepTheEarlierArchive) {
  EXPECT_EQ(failureText(writeZipArchive(temp / "missing", archive, ZipLayout::FolderAtTop), false),
            "Could not archive \"" + (temp / "missing").string() + "\": No such file or directory");
  EXPECT_EQ(failureText(writeZipArchive(source, source / "a.txt" / "out.zip", ZipLayout::FolderAtTop), false),
            "Could not write archive \"" + (source / "a.txt" / "out.zip").string() + "\": Not a directory");

  // A disk that fills up halfway through.
  test::writeFile(archive, "earlier archive");
  {
    const test::FileSizeLimit limit(100000);
    EXPECT_EQ(failureText(writeZipArchive(source, archive, ZipLayout::FolderAtTop), false),
              "Could not write archive \"" + archive.string() + "\": File too large");
  }
  EXPECT_EQ(test::readFile(archive), "earlier archive");
  EXPECT_EQ(test::listing(temp.path()), (std::vector<std::string>{"X", "out.zip"}));  // no temporary file
}

TEST_F(ZipWriterTest, UnreadableFileOrFolderInsideFailsTheWholeArchive) {
  fs::permissions(temp.path(), fs::perms::all);
  chmod((source / "a.txt").c_str(), 0644);
  chmod((source / "sub" / "b.txt").c_str(), 0);
  {
    const test::WithoutRoot user;  // root would read anything
    if (!user.active()) GTEST_SKIP() << "cannot drop root";
    EXPECT_EQ(failureText(writeZipArchive(source, archive, ZipLayout::FolderAtTop), false),
              "Could not read \"" + (source / "sub" / "b.txt").string() + "\": Permission denied");
  }
  chmod((source / "sub" / "b.txt").c_str(), 0644);
  chmod((source / "sub" / "deeper").c_str(), 0);
  {
    const test::WithoutRoot user;
    EXPECT_EQ(failureText(writeZipArchive(source, archive, ZipLayout::FolderAtTop), false),
              "Could not read \"" + (source / "sub" / "deeper").string() + "\": Permission denied");
  }
  EXPECT_EQ(test::listing(temp.path()), (std::vector<std::string>{"X"}));
}

// Files are deflated in parallel pieces and written in order: every size
// class and both kinds of piece (deflated text, stored noise) must join up
// into streams that independent readers inflate to the very same bytes.
class BigZipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(source);
    std::string mixed;  // 40 MB: text and noise by turns, ending in text
    for (unsigned i = 0; i < 40; ++i) mixed += i % 2 ? prose(1 << 20, i) : test::noise((1 << 20) + i);
    files = {
        {"mixed.bin", mixed},
        {"ends-in-noise.bin", prose(5 << 20, 1) + test::noise((3 << 20) + 1)},
        {"whole-pieces-of-noise-last.bin", prose(4 << 20, 4) + test::noise(4 << 20)},  // a stored last piece
        {"whole-limit.txt", prose(4 << 20, 2)},              // the biggest file deflated in one go
        {"one-past-whole.txt", prose((4 << 20) + 1, 3)},     // split, with a one-byte last piece
        {"small-noise.bin", test::noise(100000)},            // stored: deflate would not shrink it
        {"empty", ""},
    };
    for (const auto& [name, content] : files) test::writeFile(source / name, content);
  }

  const test::TempFolder temp{quickFolder()};
  const fs::path source = temp / "Big";
  const fs::path archive = temp / "big.zip";
  std::map<std::string, std::string> files;
};

TEST_F(BigZipTest, EveryFileComesBackByteForByte) {
  const Status written = writeZipArchive(source, archive, ZipLayout::FolderAtTop);
  ASSERT_TRUE(written) << failureText(written, false);
  EXPECT_TRUE(archiveTestsClean(archive));
  EXPECT_TRUE(otherReadersTestClean(archive));
  EXPECT_EQ(entriesVerifiedByPython(archive), 8);
  std::size_t total = 0;
  for (const auto& [name, content] : files) {
    EXPECT_TRUE(member(archive, "Big/" + name) == content) << name << " differs";
    total += content.size();
  }
  // Text shrinks several times over and noise does not grow: about half remains.
  EXPECT_LT(fs::file_size(archive), total * 6 / 10);
  EXPECT_GT(fs::file_size(archive), total * 4 / 10);
  EXPECT_FALSE(hasZip64End(archive));
}

TEST_F(BigZipTest, AFullDiskMidwayStopsTheWholePipeline) {
  test::writeFile(archive, "earlier archive");
  {
    const test::FileSizeLimit limit(3 << 20);  // hit while pieces are still being read and deflated
    EXPECT_EQ(failureText(writeZipArchive(source, archive, ZipLayout::FolderAtTop), false),
              "Could not write archive \"" + archive.string() + "\": File too large");
  }
  EXPECT_EQ(test::readFile(archive), "earlier archive");
  EXPECT_EQ(test::listing(temp.path()), (std::vector<std::string>{"Big", "big.zip"}));
}

TEST(ZipWriterFailures, AFileThatGetsShorterFailsAndLeavesNothing) {
  // sysfs files claim a page and hold a few bytes: a file cut short while read.
  const fs::path shrinking = "/sys/devices/system/cpu/online";
  struct stat st;
  if (stat(shrinking.c_str(), &st) != 0 || static_cast<std::size_t>(st.st_size) == test::readFile(shrinking).size())
    GTEST_SKIP() << "no sysfs file that says it is bigger than it is";
  test::TempFolder temp;
  EXPECT_EQ(failureText(writeZipArchive(shrinking, temp / "out.zip", ZipLayout::FolderAtTop), false),
            "Could not read \"" + shrinking.string() + "\": it got shorter while being archived");
  EXPECT_TRUE(test::listing(temp.path()).empty());
}

// More entries than the read-ahead window holds, and the 16-bit count of a
// plain zip at its limit: 65535 entries need Zip64 end records, 65534 do not.
TEST(ZipWriterManyEntries, AllTheEntriesOfAHugeFolderAreThereInOrder) {
  const test::TempFolder temp(quickFolder());
  const fs::path source = temp / "Many";
  constexpr int kFolders = 85, kFiles = 770;  // 85 * (770 + 1) = 65535 entries
  for (int f = 0; f < kFolders; ++f) {
    const fs::path folder = source / ("d" + std::to_string(100 + f));
    fs::create_directories(folder);
    for (int i = 0; i < kFiles; ++i) test::writeFile(folder / ("f" + std::to_string(1000 + i)), std::to_string(f * i));
  }
  const fs::path archive = temp / "many.zip";
  const Status written = writeZipArchive(source, archive, ZipLayout::ContentsAtTop);
  ASSERT_TRUE(written) << failureText(written, false);
  EXPECT_TRUE(archiveTestsClean(archive));
  EXPECT_EQ(entriesVerifiedByPython(archive), 65535);
  EXPECT_TRUE(hasZip64End(archive));
  EXPECT_EQ(member(archive, "d184/f1769"), std::to_string(84 * 769));
  // Written in walk order: every folder's entry before what it holds, each name once.
  std::istringstream lines(run("unzip -Z1 " + shellQuoted(archive)).output);
  std::set<std::string> seen;
  std::size_t outOfOrder = 0;
  for (std::string line; std::getline(lines, line);) {
    const auto slash = line.find('/');
    if (slash != std::string::npos && slash + 1 < line.size() && !seen.contains(line.substr(0, slash + 1))) ++outOfOrder;
    seen.insert(line);
  }
  EXPECT_EQ(seen.size(), 65535u);
  EXPECT_EQ(outOfOrder, 0u);

  fs::remove(source / "d100" / "f1000");
  ASSERT_TRUE(writeZipArchive(source, archive, ZipLayout::ContentsAtTop));
  EXPECT_EQ(entriesVerifiedByPython(archive), 65534);
  EXPECT_FALSE(hasZip64End(archive));
}

}  // namespace
}  // namespace velmorin::platform
