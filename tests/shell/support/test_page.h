#pragma once
// A copy of the test page (tests/shell/page) in a fresh temporary folder for
// the program to show, with a link inside it that leads out of the folder.
#include <filesystem>

#include "support/temp_tree.h"

namespace velmorin::testing {

class TestPage {
 public:
  TestPage() {
    std::filesystem::create_directories(tree_ / "ui");
    for (const auto& entry : std::filesystem::directory_iterator(VELMORIN_TEST_PAGE))
      std::filesystem::copy_file(entry.path(), tree_ / "ui" / entry.path().filename());
    tree_.file("secret.js", "window.secretLoaded = true;\n");
    std::filesystem::create_symlink(tree_ / "secret.js", tree_ / "ui/outside.js");
  }
  std::filesystem::path folder() const { return tree_ / "ui"; }

 private:
  TempTree tree_;
};

}  // namespace velmorin::testing
