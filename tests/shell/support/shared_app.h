#pragma once
// One running program per test suite: on a fake desktop with a Nord Sound
// Manager, in English, showing a copy of the test page. Suites derive from it
// and drive the program through app_.
#include <gtest/gtest.h>

#include "shell/support/fake_desktop.h"
#include "shell/support/test_page.h"
#include "shell/support/webdriver.h"

namespace velmorin::testing {

class SharedApp : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    desktop_ = new FakeDesktop();
    desktop_->addNordSoundManager();
    page_ = new TestPage();
    auto env = desktop_->environment();
    env["VELMORIN_UI_DIR"] = page_->folder().string();
    env["LANGUAGE"] = "en_GB";
    app_ = new DrivenApp(VELMORIN_BINARY, env);
  }
  static void TearDownTestSuite() {
    delete app_;
    delete page_;
    delete desktop_;
  }
  void SetUp() override { ASSERT_TRUE(app_->ready()) << app_->error() << "\n" << app_->driverLog(); }

  static inline FakeDesktop* desktop_ = nullptr;
  static inline TestPage* page_ = nullptr;
  static inline DrivenApp* app_ = nullptr;
};

}  // namespace velmorin::testing
