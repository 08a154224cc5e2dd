#include "platform/zip_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <map>
#include <sstream>
#include <vector>

#include "tests/platform/test_files.h"

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
  ASSERT_TRUE(written) << written.error();
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
}

TEST_F(ZipWriterTest, ContentsAtTopLeavesOutTheFolderName) {
  const Status written = writeZipArchive(source, archive, ZipLayout::ContentsAtTop);
  ASSERT_TRUE(written) << written.error();
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
    ASSERT_TRUE(written) << written.error();
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
  ASSERT_TRUE(written) << written.error();
  EXPECT_EQ(entries(inside), (std::vector<std::string>{"b.txt", "deeper/", "deeper/c.bin"}));
  EXPECT_EQ(test::listing(source / "sub"), (std::vector<std::string>{"Velmorin.zip", "b.txt", "deeper"}));
}

TEST_F(ZipWriterTest, NewArchiveGetsTheUsualPermissionsNotOwnerOnly) {
  const mode_t savedMask = umask(022);
  const Status written = writeZipArchive(source, archive, ZipLayout::FolderAtTop);
  umask(savedMask);
  ASSERT_TRUE(written) << written.error();
  EXPECT_EQ(fs::status(archive).permissions(), fs::perms(0644));
}

TEST_F(ZipWriterTest, FailuresNameTheFileAndKeepTheEarlierArchive) {
  EXPECT_EQ(writeZipArchive(temp / "missing", archive, ZipLayout::FolderAtTop).error(),
            "Could not archive \"" + (temp / "missing").string() + "\": No such file or directory");
  EXPECT_EQ(writeZipArchive(source, source / "a.txt" / "out.zip", ZipLayout::FolderAtTop).error(),
            "Could not write archive \"" + (source / "a.txt" / "out.zip").string() + "\": Not a directory");

  // A disk that fills up halfway through.
  test::writeFile(archive, "earlier archive");
  {
    const test::FileSizeLimit limit(100000);
    EXPECT_EQ(writeZipArchive(source, archive, ZipLayout::FolderAtTop).error(),
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
    EXPECT_EQ(writeZipArchive(source, archive, ZipLayout::FolderAtTop).error(),
              "Could not read \"" + (source / "sub" / "b.txt").string() + "\": Permission denied");
  }
  chmod((source / "sub" / "b.txt").c_str(), 0644);
  chmod((source / "sub" / "deeper").c_str(), 0);
  {
    const test::WithoutRoot user;
    EXPECT_EQ(writeZipArchive(source, archive, ZipLayout::FolderAtTop).error(),
              "Could not read \"" + (source / "sub" / "deeper").string() + "\": Permission denied");
  }
  EXPECT_EQ(test::listing(temp.path()), (std::vector<std::string>{"X"}));
}

}  // namespace
}  // namespace velmorin::platform
