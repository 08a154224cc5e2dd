#pragma once
// About Velmorin Sync: the version, the licence and the credits for the community
// knowledge the application is built on.
#include <gtk/gtk.h>

#include <string>

namespace velmorin::shell {

struct AboutTexts {
  std::string menuItem;  // "About Velmorin Sync"
  std::string comments;
  std::string creditsTitle;
  std::string credits;
};

AboutTexts aboutTexts(bool spanish);

// "major.minor.patch" of this build.
std::string versionText();

// A modal About dialog over `parent`; closing it destroys it.
void showAbout(GtkWindow* parent, bool spanish);

}  // namespace velmorin::shell
