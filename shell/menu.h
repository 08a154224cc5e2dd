#pragma once
// The application's menu: About, quit, and copy / select all acting on the page.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace velmorin::shell {

struct MenuTexts {
  std::string appMenu;  // the first menu, named after the application
  std::string quit;
  std::string edit;
  std::string copy;
  std::string selectAll;
  std::string about;  // in the first menu, before Quit
};

MenuTexts menuTexts(bool spanish);

// Adds the actions "win.about", "app.quit" (Ctrl+Q), "win.copy" (Ctrl+C) and
// "win.select-all" (Ctrl+A) and gives the menu bar that shows them, for the header bar. "app.quit"
// runs `quit`; without one it ends the application at once.
GtkWidget* buildMenu(GtkApplication* app, GtkApplicationWindow* window, WebKitWebView* web, bool spanish,
                     std::function<void()> quit = {});

}  // namespace velmorin::shell
