// The command table against what is written about it by hand: --help, the
// manual page, the README, and the requests the page sends.
#include "commands/command_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "support/temp_tree.h"

namespace velmorin {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

const fs::path kSource = VELMORIN_SOURCE_DIR;

Names commandLineNames() {
  Names names;
  for (const CommandRow& row : commandTable())
    if (onCommandLine(row)) names.emplace(row.name);
  return names;
}

// Every first capture of `pattern` in `text`.
Names captured(const std::string& text, const std::regex& pattern) {
  Names names;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
    names.insert((*it)[1].str());
  return names;
}

// The lines from the one that starts with `start` up to the first that starts
// with `end` (an empty `end`: up to the first blank line).
std::string section(const std::string& text, const std::string& start, const std::string& end) {
  std::istringstream lines(text);
  std::string out;
  bool in = false;
  for (std::string line; std::getline(lines, line);) {
    if (in && (end.empty() ? line.empty() : line.starts_with(end))) break;
    if (!in && line.starts_with(start)) in = true;
    if (in) out += line + "\n";
  }
  return out;
}

TEST(CommandTable, HelpManualAndReadmeListExactlyTheCommandLineCommands) {
  const Names table = commandLineNames();
  ASSERT_GT(table.size(), 10u);

  int status = -1;
  const std::string help = testing::commandOutput(VELMORIN_BINARY " --help", &status);
  EXPECT_EQ(status, 0);
  std::smatch listed;
  ASSERT_TRUE(std::regex_search(help, listed, std::regex("(^|\n)Commands: ([^\n]*)\\.\n"))) << help;
  EXPECT_EQ(captured(listed[2].str() + ",", std::regex("(\\w+),")), table) << help;
  // Each with its line of help below.
  EXPECT_EQ(captured(help, std::regex("\n  (\\w+)  +\\S")), table) << help;

  // The manual's COMMANDS section: each command a tagged paragraph of its own.
  const std::string manual = section(testing::readText(kSource / "data/velmorin-sync.1"), ".SH COMMANDS", ".SH ");
  ASSERT_FALSE(manual.empty());
  EXPECT_EQ(captured(manual, std::regex("\\.TP\n\\.B (\\w+)\n")), table) << manual;

  // The README's list of commands, a paragraph of `names`.
  const std::string readme = section(testing::readText(kSource / "README.md"), "Commands: ", "");
  ASSERT_FALSE(readme.empty());
  const std::string names = readme.substr(0, readme.find(". "));
  EXPECT_EQ(captured(names, std::regex("`(\\w+)`")), table) << readme;
}

TEST(CommandTable, ThePageSendsOnlyTheTablesRequestsAndEveryOneTheWindowServes) {
  const std::regex sent(R"((?:\bask|\brunAndReport|\brunTask\(\w+,)\s*\(?\s*'(\w+)')");
  Names page;
  for (const auto& entry : fs::directory_iterator(kSource / "ui")) {
    if (entry.path().extension() != ".js") continue;
    const Names found = captured(testing::readText(entry.path()), sent);
    page.insert(found.begin(), found.end());
  }
  ASSERT_GT(page.size(), 10u);
  Names table;
  Names window;
  for (const CommandRow& row : commandTable()) {
    table.emplace(row.name);
    EXPECT_NE(onCommandLine(row), row.bridge != BridgeRequest::none) << row.name << ": one server, the dispatcher or the bridge";
    EXPECT_FALSE(row.run && row.runLong) << row.name;
    EXPECT_FALSE(row.help.empty()) << row.name;
    if (row.bridge != BridgeRequest::none) window.emplace(row.name);
  }
  for (const std::string& name : page) EXPECT_TRUE(table.contains(name)) << "the page sends " << name;
  for (const std::string& name : window) EXPECT_TRUE(page.contains(name)) << "the page never sends " << name;
}

}  // namespace
}  // namespace velmorin
