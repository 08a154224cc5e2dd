#include "support/private_trash.h"

#include <stdlib.h>

#include <fstream>
#include <system_error>

namespace velmorin::testing {

namespace fs = std::filesystem;

namespace {

class PrivateHome {
 public:
  PrivateHome() {
    std::string pattern = (fs::temp_directory_path() / "velmorin-home-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / ".local/share").c_str(), 1);
  }
  ~PrivateHome() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path trash() const { return root_ / ".local/share/Trash"; }

 private:
  fs::path root_;
};

const PrivateHome home;

// "%20" and the like back to bytes, as the Trash's info files write paths.
std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

fs::path privateTrash() { return home.trash(); }

std::map<std::string, std::string> trashedItems(const fs::path& trash) {
  std::map<std::string, std::string> items;
  std::error_code ec;
  for (auto it = fs::directory_iterator(trash / "files", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::ifstream info(trash / "info" / (name + ".trashinfo"));
    std::string line, original;
    while (std::getline(info, line))
      if (line.starts_with("Path=")) original = unescape(line.substr(5));
    items[name] = original;
  }
  return items;
}

}  // namespace velmorin::testing
