// Before the gig in the real window: last month's backup set against tonight's
// folder, one program restored from it over a newer one (which goes to the
// Trash), and the pianos the set needs. Folders are chosen in the real file
// chooser, typed in as a person does.
#include <gtest/gtest.h>

#include <fstream>

#include "shell/support/child_process.h"
#include "shell/support/fake_desktop.h"
#include "shell/support/page_waits.h"
#include "shell/support/webdriver.h"
#include "shell/support/x_input.h"
#include "support/bit_writer.h"
#include "support/hand_zip.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;

// A piano in the shipped sounds table, so that its name shows.
constexpr std::uint32_t kRoyalGrand = 0x2d577b5a;

// Panel A alone with its piano on: `type` (Grand 0, Upright 2) playing kRoyalGrand, at `location`.
std::string piano(int type, int location) {
  ProgramWriter program("ns3f", 592);
  program.set(0x31, 6, 2, 0).set(0x43, 7, 1, 1).set(0x48, 5, 3, type).set(0x49, 3, 32, kRoyalGrand);
  program.set(0x0E, 7, 8, location);
  return program.bytes();
}

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every file below `folder` whose bytes are `bytes`.
std::vector<fs::path> filesHolding(const fs::path& folder, const std::string& bytes) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file() && fileBytes(it->path()) == bytes) found.push_back(it->path());
  return found;
}

TEST(GigWindow, ABackupAgainstAFolderOneProgramRestoredAndThePianosTheSetNeeds) {
  FakeDesktop desktop;
  const fs::path home = desktop.home();
  const std::string one = piano(0, 0), lastMonth = piano(0, 2), tonight = piano(2, 2);
  HandZip zip;
  zip.central(zip.add("Program/Bank A/One.ns3f", one));
  zip.central(zip.add("Program/Bank A/Three.ns3f", lastMonth));
  write(home / "Documents/Last month.ns3b", zip.finish());
  write(home / "Desktop/Tonight/One.ns3f", one);
  write(home / "Desktop/Tonight/Three.ns3f", tonight);
  // The keyboard's copy, where last month's program goes back.
  write(home / "Desktop/Stage/Three.ns3f", tonight);

  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = VELMORIN_SOURCE_UI;
  env["LANGUAGE"] = "en_US";
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error() << "\n" << app.driverLog();
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({(home / "Desktop/Velmorin").string()})})), "shown");

  // The library lists the backup, which the comparison then offers.
  app.execute("document.getElementById('tab-library').click(); document.getElementById('library-usual').click()");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"Three", "Last month.ns3b"})})), "shown");
  app.execute("document.getElementById('tab-gig').click()");
  EXPECT_EQ(app.execute("const s = document.getElementById('compare-a-backup');"
                        "s.value = [...s.options].find((o) => o.text === 'Last month.ns3b').value;"
                        "s.dispatchEvent(new Event('change')); return document.getElementById('compare-a-chosen').textContent"),
            "Backup: " + (home / "Documents/Last month.ns3b").string());

  XWindowUser user;
  app.execute("document.getElementById('compare-b-folder').click()");
  ASSERT_TRUE(user.chooseInFileChooser("Choose the folder with the Nord programs", (home / "Desktop/Tonight").string()));
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({(home / "Desktop/Tonight").string()})})), "shown");
  app.execute("document.getElementById('compare-button').click()");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"Changed 1 · Moved 0 · Same 1"})})), "shown");
  EXPECT_EQ(app.execute("return [...document.querySelectorAll('#compare-rows tbody tr')].map((r) => r.dataset.state + ' ' + r.cells[1].textContent)"),
            json::array({"changed Three", "same One"}));

  // Last month's Three goes back to the keyboard's folder; tonight's is kept in the Trash.
  app.execute("document.querySelector('#compare-rows [aria-label=\"Restore this one: Three\"]').click()");
  ASSERT_TRUE(user.chooseInFileChooser("Choose the folder to restore the program into", (home / "Desktop/Stage").string()));
  ASSERT_EQ(app.executeAsync(R"JS(
    const done = arguments[0];
    const deadline = Date.now() + 20000;
    (function poll() {
      const dialog = document.getElementById('confirm');
      if (dialog.open) { document.getElementById('confirm-yes').click(); return done('confirmed'); }
      if (Date.now() > deadline) return done(document.body.innerText);
      setTimeout(poll, 50);
    })();)JS"),
            "confirmed");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"1 program restored into Stage."})})), "shown");
  EXPECT_EQ(fileBytes(home / "Desktop/Stage/Three.ns3f"), lastMonth);
  EXPECT_EQ(filesHolding(desktop.tree().root() / "data/Trash/files", tonight).size(), 1u);

  // What the Library's programs need: the one piano, which this computer lacks.
  app.execute("document.getElementById('tab-library').click(); document.getElementById('library-needs').click()");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"Royal Grand 3D Lrg", "Missing"})})), "shown");
  const json needs = app.execute(
      "return [...document.querySelectorAll('#needs-result .needs-table tbody tr')].map((r) => [...r.cells].map((c) => c.textContent))");
  ASSERT_EQ(needs.size(), 1u) << needs.dump();
  EXPECT_EQ(needs[0][0], "Piano");
  EXPECT_EQ(needs[0][1], "Royal Grand 3D Lrg");
  EXPECT_EQ(needs[0][4], "5");  // the two in the backup, the two tonight, the one restored
}

}  // namespace
}  // namespace velmorin::testing
