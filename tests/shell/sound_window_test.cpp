// A program's sound in the real window: the Library reads programs the test
// wrote field by field, a name opens its sheet as the application decoded it, a
// comparison lists what differs, and the gig sheet prints to a PDF file.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "shell/support/child_process.h"
#include "shell/support/fake_desktop.h"
#include "shell/support/page_waits.h"
#include "shell/support/webdriver.h"
#include "shell/support/x_input.h"
#include "support/bit_writer.h"

namespace velmorin::testing {
namespace {

using nlohmann::json;

constexpr std::size_t kPanelB = 0x107;

// Panel A: an upright piano; panel B: a Vox organ. The other: panel A alone, a grand.
std::string uprightAndVox() {
  ProgramWriter program("ns3f", 592);
  program.set(0x31, 6, 2, 2).set(0x43, 7, 1, 1).set(0x48, 5, 3, 1).set(0xB6 + kPanelB, 7, 1, 1).set(0xBB + kPanelB, 6, 3, 1);
  return program.bytes();
}

std::string grandAlone() {
  ProgramWriter program("ns3f", 592);
  program.set(0x43, 7, 1, 1).set(0x48, 5, 3, 0);
  return program.bytes();
}

void screenshot(const std::string& name) {
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  int status = -1;
  commandOutput("import -window root " + shellQuote((fs::path(VELMORIN_TEST_OUTPUT) / name).string()), &status);
  EXPECT_EQ(status, 0) << name;
}

// The pages of a PDF, counted by its page objects.
std::size_t pdfPages(const std::string& bytes) {
  const std::regex page("/Type\\s*/Page[^s]");
  return static_cast<std::size_t>(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()));
}

// Waits up to 20 s for `file` to hold a whole PDF.
std::string waitForPdf(const fs::path& file) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.find("%%EOF") != std::string::npos || std::chrono::steady_clock::now() > until) return bytes;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

class SoundWindow : public ::testing::TestWithParam<const char*> {};

TEST_P(SoundWindow, TheSheetTheComparisonAndTheGigSheetOnPaper) {
  const bool es = std::string(GetParam()) == "es";
  FakeDesktop desktop;
  std::ofstream(desktop.home() / "Desktop/Evening.ns3f", std::ios::binary) << uprightAndVox();
  std::ofstream(desktop.home() / "Desktop/Morning.ns3f", std::ios::binary) << grandAlone();
  const fs::path pdf = desktop.home() / "gig.pdf";
  auto env = desktop.environment();
  env["VELMORIN_UI_DIR"] = VELMORIN_SOURCE_UI;
  env["LANGUAGE"] = es ? "es_ES" : "en_US";
  env["VELMORIN_PRINT_TO_FILE"] = pdf.string();
  DrivenApp app(VELMORIN_BINARY, env);
  ASSERT_TRUE(app.ready()) << app.error() << "\n" << app.driverLog();

  // The page is up once it shows the destination the application gave it.
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({(desktop.home() / "Desktop/Velmorin").string()})})), "shown");
  app.execute("document.getElementById('tab-library').click(); document.getElementById('library-usual').click()");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"Evening", "Morning"})})), "shown");
  // Opened from the keyboard: the name's button takes Enter.
  app.execute("document.querySelector('[aria-label$=\"Evening\"]').focus()");
  app.execute("document.querySelector('[aria-label$=\"Evening\"]').click()");
  const std::string piano = "A: Upright";
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({piano, "Panel B", "Vox"})})), "shown");
  EXPECT_EQ(app.execute("return document.getElementById('sheet').open"), true);
  // What plays is lit, and only that.
  EXPECT_EQ(app.execute("return [...document.querySelectorAll('#sheet .sheet-section.is-on:not(.section-effects)')]"
                        ".map((s) => s.closest('.sheet-panel').getAttribute('aria-label') + ' ' + s.querySelector('h4').textContent.trim())"),
            (es ? json::array({"Panel A Piano (Encendido)", "Panel B Órgano (Encendido)"})
                : json::array({"Panel A Piano (On)", "Panel B Organ (On)"})));
  screenshot(std::string("window-sheet-") + GetParam() + ".png");

  app.execute("document.getElementById('sheet-compare').click()");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({"Morning"})})), "shown");
  app.execute("document.querySelector('#sheet .pick-list .pick').click()");
  ASSERT_EQ(app.executeAsync(kWaitForTexts, json::array({json::array({es ? "ajustes son distintos" : "settings differ", "Upright"})})),
            "shown");
  const json rows = app.execute("return [...document.querySelectorAll('#sheet .compare-table tbody tr')].map((r) => [...r.cells].map((c) => c.textContent))");
  EXPECT_TRUE(std::find(rows.begin(), rows.end(), json::array({es ? "A · Piano · Tipo" : "A · Piano · Type", "Upright", "Grand"})) !=
              rows.end())
      << rows.dump();
  EXPECT_TRUE(std::find(rows.begin(), rows.end(), json::array({es ? "B · Órgano" : "B · Organ", es ? "Encendido" : "On",
                                                               es ? "Apagado" : "Off"})) != rows.end())
      << rows.dump();
  screenshot(std::string("window-compare-") + GetParam() + ".png");

  // Escape on the keyboard closes the sheet and gives focus back to the name; the print of the rows shown
  // goes to the PDF, one page for the gig sheet and one more for each program's sheet.
  XWindowUser user;
  ASSERT_TRUE(user.type({{XK_Escape}}));
  EXPECT_EQ(app.executeAsync(R"JS(
    const done = arguments[0];
    const deadline = Date.now() + 5000;
    (function poll() {
      const open = document.getElementById('sheet').open;
      if (!open || Date.now() > deadline) return done(open);
      setTimeout(poll, 50);
    })();)JS"),
            false);
  EXPECT_EQ(app.execute("return document.activeElement.getAttribute('aria-label') || ''").get<std::string>().ends_with("Evening"),
            true);
  app.execute("document.getElementById('library-print').click()");
  const std::string gig = waitForPdf(pdf);
  ASSERT_EQ(gig.rfind("%PDF-", 0), 0u) << gig.substr(0, 64);
  EXPECT_EQ(pdfPages(gig), 1u);
  const std::string text = commandOutput("command -v pdftotext >/dev/null && pdftotext " + shellQuote(pdf.string()) + " - || true");
  if (!text.empty()) {
    EXPECT_NE(text.find("Evening"), std::string::npos) << text;
    EXPECT_NE(text.find("A: Upright"), std::string::npos) << text;
  }
  fs::remove(pdf);
  app.execute("document.getElementById('library-print-sheets').checked = true; document.getElementById('library-print').click()");
  const std::string sheets = waitForPdf(pdf);
  ASSERT_EQ(sheets.rfind("%PDF-", 0), 0u);
  EXPECT_GE(pdfPages(sheets), 3u);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, SoundWindow, ::testing::Values("en", "es"));

}  // namespace
}  // namespace velmorin::testing
