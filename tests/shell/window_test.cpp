// The program's window as the X server shows it, and how it starts without a
// display or without its page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "shell/support/child_process.h"
#include "shell/support/fake_desktop.h"

namespace velmorin::testing {
namespace {

using namespace std::chrono_literals;

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

// The program's top-level window, as xwininfo reports it.
std::optional<Geometry> windowGeometry() {
  const std::string out = commandOutput("xwininfo -root -tree 2>/dev/null");
  std::smatch m;
  // Its frame carries the title and class; the largest such window is the main one.
  std::optional<Geometry> best;
  const std::regex line(R"re("Velmorin Sync": \("org\.velmorin\.Sync" "Org\.velmorin\.Sync"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))re");
  for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it) {
    Geometry g{std::stoi((*it)[3]), std::stoi((*it)[4]), std::stoi((*it)[1]), std::stoi((*it)[2])};
    if (!best || g.width * g.height > best->width * best->height) best = g;
  }
  return best;
}

// "r,g,b" of one pixel of an image.
std::string pixel(const fs::path& image, int x, int y) {
  std::string out = commandOutput("convert " + shellQuote(image.string()) + " -format '%[fx:int(255*p{" +
                                  std::to_string(x) + "," + std::to_string(y) + "}.r)],%[fx:int(255*p{" +
                                  std::to_string(x) + "," + std::to_string(y) + "}.g)],%[fx:int(255*p{" +
                                  std::to_string(x) + "," + std::to_string(y) + "}.b)]' info:");
  return out;
}

std::string fileText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.file("page/index.html", fileText(fs::path(VELMORIN_TEST_PAGE) / "index.html"));
    tree.file("page/style.css", fileText(fs::path(VELMORIN_TEST_PAGE) / "style.css"));
    tree.file("page/record.js", fileText(fs::path(VELMORIN_TEST_PAGE) / "record.js"));
  }
  std::vector<std::string> env(const std::map<std::string, std::string>& more = {}) {
    auto changes = desktop.environment();
    changes["VELMORIN_UI_DIR"] = (tree / "page").string();
    for (const auto& [k, v] : more) changes[k] = v;
    return environmentWith(changes);
  }
  std::optional<Geometry> waitForWindow(ChildProcess& app) {
    const auto until = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < until && app.running()) {
      if (auto g = windowGeometry(); g && g->width >= 880) return g;
      std::this_thread::sleep_for(200ms);
    }
    return std::nullopt;
  }

  FakeDesktop desktop;
  TempTree tree;
};

TEST_F(Window, OpensDarkCentredAndAtItsSizeWithThePageShowingTheWindowColour) {
  ChildProcess app({VELMORIN_BINARY}, env(), (tree / "app.log").string());
  ASSERT_TRUE(waitForWindow(app)) << fileText(tree / "app.log");
  std::this_thread::sleep_for(3s);  // the page paints
  // Read again now, giving it a few seconds more: the window can first show at
  // the corner and be centred a moment later.
  auto geometry = windowGeometry();
  for (int tries = 0; tries < 50 && geometry && std::abs(geometry->x + geometry->width / 2 - 640) > 20; ++tries) {
    std::this_thread::sleep_for(200ms);
    geometry = windowGeometry();
  }
  ASSERT_TRUE(geometry);
  const fs::path shot = fs::path(VELMORIN_TEST_OUTPUT) / "window-test-screenshot.png";
  int status = -1;
  commandOutput("import -window root " + shellQuote(shot.string()), &status);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(app.running());

  // The frame holds an 880 × 720 view below a header bar of a few dozen pixels.
  const Geometry g = *geometry;
  EXPECT_GE(g.width, 880);
  EXPECT_LE(g.width, 880 + 40);
  EXPECT_GE(g.height, 720 + 30);
  EXPECT_LE(g.height, 720 + 100);
  // Centred on the 1280 × 1024 screen.
  EXPECT_NEAR(g.x + g.width / 2, 640, 20);
  EXPECT_NEAR(g.y + g.height / 2, 512, 20);
  // The page paints nothing in the middle, so the window's colour shows there,
  // and the header bar wears the same colour.
  EXPECT_EQ(pixel(shot, g.x + g.width / 2, g.y + g.height / 2), "28,28,30");
  EXPECT_EQ(pixel(shot, g.x + g.width - 200, g.y + g.height - 20), "28,28,30");
  EXPECT_EQ(pixel(shot, g.x + g.width / 2 - 200, g.y + 12), "28,28,30");
  app.stop();
}

TEST_F(Window, WithoutItsPageTheWindowStillOpensAndSaysWhy) {
  ChildProcess app({VELMORIN_BINARY}, env({{"VELMORIN_UI_DIR", (tree / "no-such-folder").string()}}),
                   (tree / "app.log").string());
  ASSERT_TRUE(waitForWindow(app)) << fileText(tree / "app.log");
  std::this_thread::sleep_for(1s);
  EXPECT_TRUE(app.running());
  const std::string log = fileText(tree / "app.log");
  EXPECT_NE(log.find("was not found"), std::string::npos) << log;
  EXPECT_NE(log.find("no-such-folder"), std::string::npos) << log;
  // One line of ours; GTK and WebKit may add their own.
  std::size_t ours = 0;
  for (auto at = log.find("velmorin-sync:"); at != std::string::npos; at = log.find("velmorin-sync:", at + 1)) ++ours;
  EXPECT_EQ(ours, 1u) << log;
}

TEST_F(Window, WithoutADisplayItSaysSoAndExitsWithAnError) {
  ChildProcess app({VELMORIN_BINARY}, env({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"GDK_BACKEND", ""}}),
                   (tree / "app.log").string());
  const auto status = app.waitFor(30s);
  ASSERT_TRUE(status);
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by a signal: " << *status;
  EXPECT_NE(WEXITSTATUS(*status), 0);
  EXPECT_NE(fileText(tree / "app.log").find("no display"), std::string::npos) << fileText(tree / "app.log");
}

}  // namespace
}  // namespace velmorin::testing
