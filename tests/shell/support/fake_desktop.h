#pragma once
// A desktop of our own for tests: XDG folders whose default browser, mail client,
// file manager and text viewer, and a "Nord Sound Manager" entry, only write down
// what they were asked to open. Real GIO resolves and launches them.
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_tree.h"

namespace velmorin::testing {

class FakeDesktop {
 public:
  FakeDesktop() {
    const fs::path recorder = tree_.file("bin/record.sh",
                                         "#!/bin/sh\n"
                                         "printf '%s %s\\n' \"$1\" \"$2\" >> " + shellQuote(log().string()) + "\n");
    chmod(recorder.c_str(), 0755);
    entry("fake-browser.desktop", "Fake Browser", recorder.string() + " browser %u",
          "x-scheme-handler/http;x-scheme-handler/https;x-scheme-handler/mailto;");
    entry("fake-files.desktop", "Fake Files", recorder.string() + " files %u", "inode/directory;");
    entry("fake-viewer.desktop", "Fake Viewer", recorder.string() + " viewer %u", "text/plain;");
    tree_.file("config/mimeapps.list",
               "[Default Applications]\n"
               "x-scheme-handler/http=fake-browser.desktop\n"
               "x-scheme-handler/https=fake-browser.desktop\n"
               "x-scheme-handler/mailto=fake-browser.desktop\n"
               "inode/directory=fake-files.desktop\n"
               "text/plain=fake-viewer.desktop\n");
    tree_.folder("home/Desktop");
    tree_.folder("data-dirs");
    tree_.folder("runtime");
    chmod((tree_ / "runtime").c_str(), 0700);
  }

  // Adds the Nord Sound Manager entry that the core's search finds.
  fs::path addNordSoundManager() {
    return entry("Nord Sound Manager.desktop", "Nord Sound Manager",
                 (tree_ / "bin/record.sh").string() + " nsm", "");
  }

  // The variables that point GIO, GTK and the core at this desktop.
  std::map<std::string, std::string> environment() const {
    return {{"HOME", (tree_ / "home").string()},
            {"XDG_DATA_HOME", (tree_ / "data").string()},
            {"XDG_CONFIG_HOME", (tree_ / "config").string()},
            {"XDG_CACHE_HOME", (tree_ / "cache").string()},
            {"XDG_RUNTIME_DIR", (tree_ / "runtime").string()},
            {"XDG_DATA_DIRS", (tree_ / "data-dirs").string() + ":/usr/local/share:/usr/share"},
            {"XDG_CURRENT_DESKTOP", "X-Velmorin-Test"},
            {"NO_AT_BRIDGE", "1"},
            {"GTK_USE_PORTAL", "0"},
            {"GIO_USE_VFS", "local"}};
  }

  void applyToThisProcess() const {
    for (const auto& [name, value] : environment()) setenv(name.c_str(), value.c_str(), 1);
  }

  // "browser https://…", "files file:///…", "nsm " — one line per launch.
  std::vector<std::string> opened() const {
    std::vector<std::string> lines;
    std::ifstream in(log());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // Waits until at least `count` launches were written down.
  bool waitForOpened(std::size_t count, std::chrono::seconds limit = std::chrono::seconds(15)) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (opened().size() < count) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  const TempTree& tree() const { return tree_; }
  fs::path home() const { return tree_ / "home"; }

 private:
  fs::path log() const { return tree_ / "opened.log"; }

  fs::path entry(const std::string& file, const std::string& name, const std::string& exec,
                 const std::string& mimeTypes) {
    std::string text = "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\nTerminal=false\n";
    if (!mimeTypes.empty()) text += "MimeType=" + mimeTypes + "\nNoDisplay=true\n";
    return tree_.file("data/applications/" + file, text);
  }

  TempTree tree_;
};

}  // namespace velmorin::testing
