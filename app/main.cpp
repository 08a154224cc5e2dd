#include "app/command_line.h"

#ifdef VELMORIN_HAS_WINDOW
#include "shell/window_app.h"
#endif

int main(int argc, char** argv) {
  velmorin::WindowRunner window = nullptr;
#ifdef VELMORIN_HAS_WINDOW
  window = &velmorin::shell::runWindow;
#endif
  return velmorin::runCommandLine(argc, argv, window);
}
