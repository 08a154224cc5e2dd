#pragma once
// Window mode: the application window and its event loop.

namespace velmorin::shell {

// Opens the window and runs until it closes, the menu's Quit or the page's
// "quit"; returns the exit status. Without a display it says so on stderr and
// returns 1. With "--automation" (as WebKitWebDriver starts it) the page may be
// driven by WebDriver. The process's values must be set already.
int runWindow(int argc, char** argv);

}  // namespace velmorin::shell
